#pragma once
#include <windows.h>

#include "platform/globals.h"

// A new folder of our own under the system's temporary folder, named
// PREFIXxxxxxxxx.tmp with a random number: it must not exist before, so
// that nobody can have made it ready for us (a folder prepared by another
// user could hold a planted DLL or be read by them). False when none
// could be made.
bool MakePrivateFolder(const char* prefix, char (&folder)[kPathSize]);

// Removes `folder` with everything in it; true when it is gone.
bool RemoveFolderTree(const char* folder);
