#include "setupdat/item_text.h"

#include <utility>

#include "platform/setup_error.h"
#include "variables/variable_table.h"

void ExpandItemText(const VariableTable& variables, GlobalBlock& text) {
  GlobalBlock expanded;
  {
    BlockLock<const char> original(text);
    // An absent text (no block) locks as null, which does not expand.
    if (!variables.ExpandText(original.get(), expanded)) ThrowSetupError(SETUP_ERR_EXPAND);
  }
  text = std::move(expanded);
}
