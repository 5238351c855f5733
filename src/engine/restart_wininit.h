#pragma once
#include <windows.h>

// Adds the line "target=source" to the "[rename]" section of the
// WININIT.INI at `iniPath`, which Windows 95 works off at its next start.
// `target` and `source` must already be in the short (8.3) form, or
// `target` "NUL" for a deletion. The line goes at the end of the file's
// [rename] section; a file without one (or a new file) gets the section at
// its end. Other programs' lines are never touched; a last line without a
// line break gets one, and then ours goes without. False when the file
// cannot be read or written.
//
// The file is never written in place: the new text goes to a new file in
// the same folder, which then takes the old one's name, so a write that
// stops short leaves other programs' lines as they were.
bool AddWininitRename(const char* iniPath, const char* target, const char* source);

// Takes back a line that AddWininitRename added: removes the first line of
// the [rename] section that reads "target=source" (any case), with what
// AddWininitRename added around it (the line break before a last line
// that had none, the [rename] section it had to add), so that the lines of
// other programs are left byte for byte as they were. A file left empty
// is deleted. False when there was no such line or the file cannot be
// rewritten.
bool RemoveWininitRename(const char* iniPath, const char* target, const char* source);
