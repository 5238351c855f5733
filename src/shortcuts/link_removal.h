#pragma once
#include "setupdat/install_log.h"

// Deletes a link that an install log names (the product created it, or
// saved it over another), then each folder the installation created for
// it while it is left empty. A link already gone counts as removed. False
// when the link is there and cannot be deleted.
bool RemoveLoggedLink(const LogEntry& entry);
