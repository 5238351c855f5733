#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "setupdat/install_item.h"
#include "platform/global_memory.h"

// One value under one registry key, from a line of the "RegClasses" or
// "RegMachine" list:
//
//   keypath:suffix=valuename|valuedata
//
// Everything from the first colon of the key on only tells lines apart
// that address the same key. An empty value name is the key's default
// value. The data may begin with a type word (setupdat/typed_value.h):
// a string unless it says otherwise.
class RegistryItem : public InstallItem {
public:
  // Absent fields stay none.
  RegistryItem(SetupSession* session, VariableTable* table, HKEY rootKey, const char* key, const char* value);

  // Deletes the value this run wrote, and the key with all it holds when
  // this run created it; a key that was there keeps everything else.
  // Always nonzero.
  BOOL Remove(WORD locations) override;
  // Writes the value, once per run: 0 when the key cannot be created.
  // Throws SETUP_ERR_REG_SET when the value cannot be written.
  BOOL Install(WORD locations) override;
  // Deletes the keys this run created for the item; in a key that was
  // there, puts the value back as it was, or deletes it when it was new.
  void Rollback() override;

  // Expands `valueName`, then `valueData`; throws SETUP_ERR_EXPAND when
  // either is absent. The key path is used as written.
  void Expand() override;

  // Reads the type word in front of the data (`dword:`, `expand:`, or a
  // `\` that keeps such a word as text) and leaves the data proper.
  void ReadValueType();

  HKEY root;
  GlobalBlock keyPath;    // subkey below root
  GlobalBlock valueName;  // empty: the default value
  GlobalBlock valueData;  // the text of a REG_SZ or REG_EXPAND_SZ; decimal for a REG_DWORD
  DWORD valueType = REG_SZ;

  // What this run's Install changed.
  struct InstallRecord {
    bool touched = false;    // the key was created or opened for writing
    std::string createdKey;  // the outermost key of the path this run created
    bool valueExisted = false;
    DWORD oldType = REG_NONE;
    std::vector<BYTE> oldData;
  };
  InstallRecord record;
};
