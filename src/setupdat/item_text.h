#pragma once
#include "platform/global_memory.h"

class VariableTable;

// Replaces an item's text by its expansion (installation variables
// replaced), freeing the old block. Throws SETUP_ERR_EXPAND when the item
// has no such text (the field was missing from its list line), and
// SETUP_ERR_NO_MEMORY.
void ExpandItemText(const VariableTable& variables, GlobalBlock& text);
