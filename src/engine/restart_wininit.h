#pragma once
#include <windows.h>

// Adds the line "target=source" to the "[rename]" section of the
// WININIT.INI at `iniPath`, which Windows 95 works off at its next start.
// `target` and `source` must already be in the short (8.3) form, or
// `target` "NUL" for a deletion. The line goes at the end of the file's
// [rename] section; a file without one (or a new file) gets the section at
// its end. False when the file cannot be opened, created or written.
bool AddWininitRename(const char* iniPath, const char* target, const char* source);
