#pragma once
#include <windows.h>

// Appends the line "target=source" to the "[rename]" section of the
// WININIT.INI at `iniPath`, which Windows 95 works off at its next start.
// `target` and `source` must already be in the short (8.3) form, or
// `target` "NUL" for a deletion. A new file begins with "[rename]"; an
// existing one gets a line break after a last line without one, and a
// "[rename]" header when its last section is another. False when the file
// cannot be opened, created or written.
bool AppendWininitRename(const char* iniPath, const char* target, const char* source);
