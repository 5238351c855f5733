#pragma once
#include <windows.h>

#include "platform/global_memory.h"

// Reads the "FileVersion" text of the U.S. English, Unicode string table
// of a file's version resource. True when the file has a nonempty one;
// `version` then holds the text in a zero-filled block of its length plus
// one byte. False (and `version` untouched) for a file without it.
bool ReadFileVersion(const char* path, GlobalBlock& version);

// True when the new file's version is older than the existing file's.
// A file without a version is never older and never makes the other older,
// so such a file is replaced without a question.
bool IsOlderVersion(const char* newFile, const char* existingFile);

// Orders two version texts: below 0 when `a` is the older version, 0 when
// they are the same, above 0 when `a` is newer. Runs of digits compare by
// their numeric value, everything else without regard to case.
int CompareVersionText(const char* a, const char* b);
