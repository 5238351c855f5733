#include "engine/progress_window.h"

#include "shell/setup_session.h"

// Stand-in until the install engine exists.
INT_PTR CALLBACK ProgressDlgProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
void SetProgressText(SetupSession&, const char*, const char*) {}
void AdvanceProgress(SetupSession& session, DWORD bytes) { session.bytesDone += bytes; }
