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

// An uninstall that runs from a copy of the program: the copy's private
// folder, and the program that started it and waits for it; both empty in
// any other run.
extern char g_copyFolder[kPathSize];
extern char g_runningOriginal[kPathSize];
