#pragma once

// Administrator rights. Setup.exe asks for none when it starts: a
// per-user installation needs none, and a machine-wide one that lacks
// them starts itself again elevated, once, and ends as that run ends.

// One run at a time: the lock its first step takes, and lets go of when a
// run it starts takes over. False when another run holds it.
bool TakeRunningLock();
void ReleaseRunningLock();

// Whether this process runs with administrator rights; true where the
// system knows no elevation (before Vista).
bool ProcessIsElevated();

// Whether the installation log in `folder` records the product's uninstall
// entry below HKEY_CURRENT_USER: a per-user installation of a set that let
// the user choose.
bool ProductRecordedForUser(const char* folder);

// Whether the run that the command line asks for (parsed into
// g_uninstallMode and g_commandPath) installs or removes for every user,
// by the Setup.dat it reads. A set that lets the user choose is
// asked later, once the user has.
bool RunNeedsMachineRights();

// Starts this program again with administrator rights and its own command
// line behind "/ELEVATED", with the log paused and the lock let go, and
// waits for it.
// True with its exit code, or with 1602 once the user has been told that
// the rights were refused; false when it could not be started (the run
// then goes on as it is).
bool RunElevated(int& exitCode);
