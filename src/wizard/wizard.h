#pragma once
#include <windows.h>

class SetupSession;

// True when a window of the class that "Check" names is open.
bool ApplicationStillRunning(const SetupSession& session);
// True while an application that must be closed is still running and the
// user answered OK (check again); `cancelled` is set when the user gave up.
bool CheckRunningApplication(SetupSession& session, int& cancelled);
// True when there is no licence or the user agreed to it; false when the
// user declined or an error has been reported.
bool ShowLicense(SetupSession& session);
INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// True when the user finished the wizard with Install.
bool RunWizard(SetupSession& session);
// The completion dialog, what the user left ticked in it, then the restart
// offer.
void ShowCompletion(SetupSession& session);
INT_PTR CALLBACK CompletionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens the file that variable `key` ("E" or "V") names once expanded,
// with the installation folder as working folder; the shell's result.
BOOL LaunchSetting(SetupSession& session, unsigned char key);
