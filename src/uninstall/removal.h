#pragma once
#include <windows.h>

class SetupSession;

// Asks whether to remove the product. With `confirmed` set, the uninstall
// information has been read back into variables 0 and H and the three
// shortcut choices. False on failure.
bool ConfirmRemoval(SetupSession& session, int& confirmed);

// Reads the install log of the product in the folder the uninstall was
// given (variable I) and checks it against its uninstall entry and the
// installed Setup.dat. False when it cannot be trusted: nothing may be
// removed then.
bool LoadRemovalLog(SetupSession& session);

// The removal passes over the install log, back to front: files, registry
// entries, shortcuts, each back to front, removing only what the log says
// the product did; every entry is tried. `window` is the removal window
// (dialog 111), which shows the stage, or null. False when something could
// not be removed (session.removalFailure names the first) or after an error
// was reported.
bool RunRemove(SetupSession& session, HWND window);

// Takes back a failed or cancelled installation: every item puts back what
// this run did to it, and only that, without a window or a question.
void RunRollback(SetupSession& session);

INT_PTR CALLBACK RemovalDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
