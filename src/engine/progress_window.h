#pragma once
#include <windows.h>

class SetupSession;

// Dialog procedure of the modeless progress window; the session arrives as
// the creation parameter.
INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Centres a window of the passes over the client area of its owner (the
// main window, which fills the screen).
void CentreOnOwner(HWND dialog);
void SetProgressText(SetupSession& session, const char* description, const char* path);
void AdvanceProgress(SetupSession& session, DWORD bytes);
