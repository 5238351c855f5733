#pragma once
#include <windows.h>

#include <cstddef>

// Loads string `id` into `buffer` (at most size - 1 characters, always
// terminated). False when the string table has no such entry.
bool LoadTableString(HINSTANCE instance, UINT id, char* buffer, std::size_t size);

// The same for texts that name files, sections, keys and registry paths:
// a missing entry is SETUP_ERR_NO_STRING.
void LoadNameString(HINSTANCE instance, UINT id, char* buffer, std::size_t size);

// Copies `source` into `destination` of `size` bytes, cutting it to fit.
// True when nothing had to be cut.
bool CopyText(char* destination, std::size_t size, const char* source);

// Appends `source` to the text in `destination`; false, leaving the text
// unchanged, when the result would not fit.
bool AppendText(char* destination, std::size_t size, const char* source);
