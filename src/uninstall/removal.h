#pragma once
#include <windows.h>

class SetupSession;

// Asks whether to remove the product. With `confirmed` set, the uninstall
// information has been read back into variables 0 and H and the three
// shortcut choices. False on failure.
bool ConfirmRemoval(SetupSession& session, int& confirmed);

// The removal passes over all lists, back to front: files, registry
// entries, shortcuts. `window` is the removal window (dialog 111), which
// shows the stage, or null. False when a pass stopped, or after an error
// thrown by an item was reported.
bool RunRemove(SetupSession& session, HWND window);

// Takes back a failed or cancelled installation: every item puts back what
// this run did to it, and only that, without a window or a question.
void RunRollback(SetupSession& session);

INT_PTR CALLBACK RemovalDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
