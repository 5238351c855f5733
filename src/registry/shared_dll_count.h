#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Changes the shared-DLL reference count of `path` (its full path, spelt
// exactly as the file item's destination) by `step`: +1 when a shared file
// is installed, -1 when it is removed. Returns the new count.
//
// A missing count reads as none: a positive step writes the step, or one
// more when `fileExisted` (a file that was there without a count is
// somebody's, who keeps it at 1); any other step writes nothing and gives
// 0. When the SharedDLLs key can be neither opened nor created nothing is
// written either. A value that is not one we can read as a count (another
// type or size) is left alone by every step and gives 0. Counts stay
// between 0 and 0xFFFFFFFF; values are never deleted. Throws
// SETUP_ERR_REG_SET when a count cannot be written.
LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step);
// The same, telling whether the count could be looked at: `known` is false
// when the SharedDLLs key could be neither opened nor created (it exists
// but is closed to us) or the value is not a count we can read, as opposed
// to a file that has no count yet: either way nothing was changed, and on
// removal the caller must keep the file.
LONG AdjustSharedCount(HINSTANCE instance, const char* path, LONG step, bool& known, bool fileExisted = false);

// A count as it stood before this run changed it, so that a rollback can
// put back exactly that: no key, no value, or the value as it was, of
// whatever type.
struct SharedCountRecord {
  bool keyExisted = false;
  bool valueExisted = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// A record as one text for the run's journal, and back.
std::string EncodeCount(const SharedCountRecord& record);
SharedCountRecord DecodeCount(const char* text);

// Reads what the count of `path` is now. Throws nothing.
SharedCountRecord ReadSharedCount(HINSTANCE instance, const char* path);
// Puts the count of `path` back as `before` describes it, and the key
// away when it was this run's and holds nothing else. Throws nothing.
void RestoreSharedCount(HINSTANCE instance, const char* path, const SharedCountRecord& before);
