#pragma once
#include <windows.h>

#include "platform/global_memory.h"

class SetupSession;

// The key names of one section of the Setup.dat in use, each followed by a
// zero byte and the last by a second one, in file order, in a new block
// that the caller owns. False, `names` untouched, when the section is
// absent or has no keys. Throws SETUP_ERR_NO_MEMORY.
//
// At most 32768 bytes of names are read (fewer when memory is short); the
// reader cuts the name that does not fit and the list ends there.
bool ReadSectionKeys(const SetupSession& session, const char* section, GlobalBlock& names);

// Moves `position` from one name of such a block to the next; false at the
// end of the names.
bool NextKeyName(const char*& position);
