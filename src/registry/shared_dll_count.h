#pragma once
#include <windows.h>

// Changes the shared-DLL reference count of `path` (its full path, spelt
// exactly as the file item's destination) by `step`: +1 when a shared file
// is installed, -1 when it is removed. Returns the new count.
//
// A missing count reads as none: a positive step writes 1, any other step
// writes nothing and gives 0. When the SharedDLLs key can be neither opened
// nor created nothing is written either. Counts may go below 0; values
// are never deleted. Throws SETUP_ERR_REG_SET when the first count of a
// file cannot be written.
LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step);
