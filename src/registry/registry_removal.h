#pragma once
#include <windows.h>

#include "setupdat/install_log.h"

// Removes what an install log names of one registry value, as far as it is
// the product's: the value itself; and when this product created the key,
// the key with everything in it (what the product itself put there later
// included), then each parent it created while it is left empty. With
// `keepKey` (the key still serves other lines of the product) only the
// value goes. Keys and values already gone count as removed. False when
// something of the product's could not be deleted.
bool RemoveLoggedRegistry(const LogEntry& entry, bool keepKey);

// Deletes `path` below `root` with all its subkeys. True when it is gone.
bool DeleteKeyTree(HKEY root, const std::string& path);
