#pragma once
#include <windows.h>

#include <string>

namespace testsupport {

// The system's list of operations for the next restart
// (PendingFileRenameOperations), as the raw UTF-16 data of the value: the
// strings with their terminators, exactly as stored. Empty when there is
// no such value.
std::wstring ReadPendingRenames();
// Stores `data` as the list, byte for byte; an empty `data` removes it.
void WritePendingRenames(const std::wstring& data);

// Keeps the list as it was when made, and puts it back when it goes.
class SavedPendingRenames {
public:
  SavedPendingRenames() : saved_(ReadPendingRenames()) {}
  ~SavedPendingRenames() { WritePendingRenames(saved_); }
  SavedPendingRenames(const SavedPendingRenames&) = delete;
  SavedPendingRenames& operator=(const SavedPendingRenames&) = delete;

private:
  std::wstring saved_;
};

// While it lives, nobody may write values of the Session Manager key: its
// access list denies that to everyone, as on a machine where the user is
// no administrator. MoveFileEx then cannot record any operation for the
// restart. The access list as it was comes back when it goes.
class PendingRenamesRefused {
public:
  PendingRenamesRefused();
  ~PendingRenamesRefused();
  PendingRenamesRefused(const PendingRenamesRefused&) = delete;
  PendingRenamesRefused& operator=(const PendingRenamesRefused&) = delete;

  bool refused() const { return refused_; }

private:
  HKEY key_ = nullptr;
  PSECURITY_DESCRIPTOR saved_ = nullptr;  // LocalAlloc'd; holds the old access list
  PACL savedList_ = nullptr;              // inside saved_
  bool refused_ = false;
};

}  // namespace testsupport
