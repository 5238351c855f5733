#pragma once
#include <windows.h>

// Program-wide values set at start-up.
constexpr int kPathSize = 260;  // paths: 259 characters and a terminator
constexpr int kTextSize = 256;  // names and values: 255 characters and a terminator

extern HINSTANCE g_instance;          // for string-table texts, dialogs, pictures
extern DWORD g_uninstallMode;         // 1 when the command line begins with "/U"
extern char g_commandPath[kPathSize]; // the folder text of the command line

// Unattended runs.
extern bool g_silent;                   // "/S": no window, no question
extern char g_folderSwitch[kPathSize];  // "/D=": the installation folder, or empty
extern int g_exitCode;                  // what the run ends with (see run_log.h)

// Whom the installation is for: the user who runs it alone (the profile's
// folders, HKEY_CURRENT_USER) when true, every user of the machine when
// false. Settled by the load (and the welcome page when Setup.dat lets the
// user choose); the recovery of a run sets it to that run's while it works.
extern bool g_userScope;
// "/ELEVATED": started, with administrator rights, by a run that lacked
// them. It never asks for them again, and appends to its starter's log.
extern bool g_relaunched;

// An uninstall that runs from a copy of the program: the copy's private
// folder, and the program that started it and waits for it; both empty in
// any other run.
extern char g_copyFolder[kPathSize];
extern char g_runningOriginal[kPathSize];
