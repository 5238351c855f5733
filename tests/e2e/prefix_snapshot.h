#pragma once
#include <map>
#include <string>

namespace e2e {

// What a run may have changed on the machine: every file of the drive
// (its size and a checksum; folders as such) and the registry of the
// machine as `reg export` writes it, one entry a line. Taken before and
// after a run, two snapshots tell exactly what the run left behind.
class PrefixSnapshot {
public:
  // Takes the snapshot now. The test's own temporary folders, and what
  // Wine itself keeps changing, are left out. `withUser` adds the
  // registry of the user (HKEY_CURRENT_USER), for runs that write there.
  static PrefixSnapshot Take(bool withUser = false);

  // The differences, one per line ("+ added", "- removed", "~ changed"),
  // empty when the two are alike.
  std::string DifferencesTo(const PrefixSnapshot& later) const;

  const std::map<std::string, std::string>& entries() const { return entries_; }

private:
  std::map<std::string, std::string> entries_;  // file or key\value -> size and checksum, or data
};

}  // namespace e2e
