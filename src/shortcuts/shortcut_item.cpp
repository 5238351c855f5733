#include "shortcuts/shortcut_item.h"

#include "setupdat/item_text.h"
#include "setupdat/list_fields.h"

ShortcutItem::ShortcutItem(SetupSession* session, VariableTable* table, const char* key, const char* value)
    : InstallItem(ITEM_KIND_SHORTCUT, session, table), name(GlobalBlock::FromText(key)) {
  LONG mask = 0;
  GetNumberField(value, ',', mask, 0);
  locations = static_cast<WORD>(mask);
  GetField(value, ',', target, 1);
  GetField(value, ',', workingFolder, 2);
}

void ShortcutItem::Expand() {
  ExpandItemText(*variables, target);
  ExpandItemText(*variables, workingFolder);
}
