#include "registry/registry_item.h"

#include "setupdat/item_text.h"
#include "setupdat/list_fields.h"

RegistryItem::RegistryItem(SetupSession* session, VariableTable* table, HKEY rootKey, const char* key,
                           const char* value)
    : InstallItem(ITEM_KIND_REGISTRY, session, table), root(rootKey) {
  GetField(key, ':', keyPath, 0);
  GetField(value, '|', valueName, 0);
  GetField(value, '|', valueData, 1);
}

void RegistryItem::Expand() {
  ExpandItemText(*variables, valueName);
  ExpandItemText(*variables, valueData);
}
