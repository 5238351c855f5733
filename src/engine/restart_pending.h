#pragma once

// Takes back a replacement or deletion that MoveFileExA recorded for the
// next restart of Windows NT: removes the pairs of the system's pending
// file operations whose source is `newFile` and whose target is `target`
// ("NUL" for a deletion), names compared without regard to case. The
// other pairs stay in their order. False when there was no such pair or
// the list cannot be rewritten.
bool RemovePendingRename(const char* newFile, const char* target);
