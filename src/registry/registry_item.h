#pragma once
#include <windows.h>

#include "setupdat/install_item.h"
#include "platform/global_memory.h"

// One text value under one registry key, from a line of the "RegClasses"
// or "RegMachine" list:
//
//   keypath:suffix=valuename|valuedata
//
// Everything from the first colon of the key on only tells lines apart
// that address the same key. An empty value name is the key's default
// value.
class RegistryItem : public InstallItem {
public:
  // Absent fields stay none.
  RegistryItem(SetupSession* session, VariableTable* table, HKEY rootKey, const char* key, const char* value);

  // Install and Remove keep the base behaviour until registry writing exists.

  // Expands `valueName`, then `valueData`; throws SETUP_ERR_EXPAND when
  // either is absent. The key path is used as written.
  void Expand() override;

  HKEY root;
  GlobalBlock keyPath;    // subkey below root
  GlobalBlock valueName;  // empty: the default value
  GlobalBlock valueData;  // stored as REG_SZ
};
