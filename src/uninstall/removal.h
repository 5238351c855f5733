#pragma once
#include <windows.h>

class SetupSession;

// Asks whether to remove the product; with `confirmed` set, the uninstall
// information has been read back. False on failure.
bool ConfirmRemoval(SetupSession& session, int& confirmed);
// The removal pass over all lists, back to front; `window` is the removal
// window, or null for the rollback of a failed installation.
bool RunRemove(SetupSession& session, HWND window);
INT_PTR CALLBACK RemovalDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
