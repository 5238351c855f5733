#pragma once

// An uninstall runs from a copy of Setup.exe in a new private folder under
// the system's temporary folder, so that the product's folder, with the
// Setup.exe it holds, can go at once. The program the user started makes
// the copy, runs it with the same command line and ends with its exit
// code; the copy knows itself by what its starter left in its environment.

// In the program the user started: makes the copy, runs it and waits for
// it. True with the copy's exit code in `exitCode`; false when no copy
// could be made or started, and this program must do the work itself.
bool RunUninstallCopy(int& exitCode);

// In the copy: notes its folder and the program that started it (in
// g_copyFolder and g_runningOriginal). False in any other program.
bool TakeUninstallCopyRole();

// In the copy: an uninstall without a folder reads, as its starter would
// have, the folder beside the starter.
void UseStarterFolder();
