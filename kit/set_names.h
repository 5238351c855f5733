#pragma once
#include <set>
#include <string>
#include <vector>

#include "check.h"
#include "setup_file.h"

// The names of a set's files (the keys of the Files list, and the licence)
// are paths inside the set: pack writes each there and check reads it
// there. A name that climbs out ("..") or starts elsewhere (a root, a
// drive) would have the kit read or overwrite the author's other files;
// a destination that climbs out of its folder would have Setup.exe install
// where the author's folder variables do not say.

// The file `key` stands for in the set, as Windows compares names: its
// parts folded to upper case, joined by one "\". Keys with one such name
// name one file.
std::string SetFileOf(const std::string& key);

// NAME.EXT as the compressed NAME.EX_; a shorter extension or none gets
// "_" appended. `replaced` gets the character the "_" stands for, or 0.
std::string UnderscoreName(const std::string& key, char& replaced);

// Whether pack copies the file under `key` as it is: Setup.exe, Setup.dat
// and the licence, which the set itself reads.
bool StaysPlain(const std::string& key, const std::string& licence);

struct NameFaults {
  std::vector<Finding> findings;  // errors, by line
  std::set<int> lines;            // the lines pack and check must not follow
};

// Every Files line whose key or destination leaves its folder, whose key
// is rooted or names a drive, or whose key maps to the set file of another
// line's different key (with `underscoreNames`, through the compressed
// name as well); the licence name under the same rules as a key.
NameFaults CheckSetNames(const SetupFile& setup, bool underscoreNames);
