#pragma once
#include <windows.h>

// The program reads its command line in the ANSI code page, where Windows
// puts a character the code page lacks as a look-alike or a "?": a folder
// "C:\Ωmega" would arrive as "C:\Omega", another folder. The wide command
// line still holds what the user typed, so the two can be compared.
//
// Whether the arguments of `wideCommandLine` (a whole command line as
// GetCommandLineW gives it, the program's own name first) survive the trip
// through the ANSI code page unchanged. An empty or absent line fits: a
// system without wide calls has no other text to compare with.
bool ArgumentsFitCodePage(const wchar_t* wideCommandLine);
