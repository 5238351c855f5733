#pragma once
#include <windows.h>

#include <memory>

#include "platform/globals.h"

// The checksums the kit records for a set's files, in the "Checksums"
// section of Setup.dat, read in one go: a profile read costs a look at the
// file each time, which over the thousands of files of a large set comes
// to seconds.
class SetChecksums {
public:
  // The checksum recorded for set name `name` in `setupDat` (read again
  // when the file named differs from the last one). False when the set
  // records none for it, as a set written by hand records none.
  bool Find(const char* setupDat, const char* name, DWORD& crc);

private:
  void Load(const char* setupDat);

  char path_[kPathSize] = {};
  bool loaded_ = false;
  std::unique_ptr<char[]> text_;
  std::unique_ptr<const char*[]> names_;
  std::unique_ptr<DWORD[]> crcs_;
  std::unique_ptr<DWORD[]> table_;  // index + 1 by name hash, open addressing
  DWORD tableSize_ = 0;
};
