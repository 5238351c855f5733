#pragma once
#include <windows.h>

class SetupSession;

// Records that `newFile` is to be moved over `target` at the next restart
// of the system, or deleted then when `target` is "NUL" (any case). Sets
// the session's restartNeeded when the operation was recorded. FALSE when
// the system refused it (MoveFileEx failed, WININIT.INI could not be
// written): then nothing will happen at the restart, and the caller must
// not count on it.
BOOL ReplaceAtRestart(SetupSession& session, const char* newFile, const char* target);

// Records that `file` is to be deleted at the next restart; false as above.
bool DeleteAtRestart(SetupSession& session, const char* file);

// Takes back what ReplaceAtRestart recorded with the same arguments, while
// both files still exist; the operations of others stay. False when no
// such operation was found. Leaves restartNeeded as it is.
bool CancelAtRestart(const char* newFile, const char* target);

// True on the Windows NT family.
BOOL IsWindowsNT();

// Asks whether to restart Windows when a file waits for the next restart,
// and restarts it on Yes. Asks nothing when nothing is pending.
void OfferRestart(SetupSession& session, HWND owner);
