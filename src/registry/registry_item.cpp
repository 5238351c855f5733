#include "registry/registry_item.h"

#include <cstdlib>

#include "platform/format_text.h"
#include "platform/run_log.h"
#include "registry/registry_key.h"
#include "registry/registry_removal.h"
#include "session/journal.h"
#include "session/setup_session.h"
#include "setupdat/item_text.h"
#include "setupdat/list_fields.h"
#include "setupdat/typed_value.h"

namespace {

// The outermost key of `path` below `root` that does not exist yet, or the
// empty text when the whole path exists.
std::string OutermostMissingKey(HKEY root, const std::string& path) {
  std::size_t end = 0;
  while (end != std::string::npos) {
    end = path.find('\\', end + 1);
    const std::string prefix = path.substr(0, end);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, prefix.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return prefix;
    RegCloseKey(opened);
  }
  return std::string();
}

std::string BlockText(const GlobalBlock& block) {
  BlockLock<const char> text(block);
  return text ? std::string(text.get()) : std::string();
}

}  // namespace

RegistryItem::RegistryItem(SetupSession* session, VariableTable* table, HKEY rootKey, const char* key,
                           const char* value)
    : InstallItem(ITEM_KIND_REGISTRY, session, table), root(rootKey) {
  GetField(key, ':', keyPath, 0);
  GetField(value, '|', valueName, 0);
  GetField(value, '|', valueData, 1);
  ReadValueType();
}

void RegistryItem::ReadValueType() {
  GlobalBlock rest;
  {
    BlockLock<const char> text(valueData);
    if (!text) return;
    const TypedValue typed = ReadTypedValue(text.get());
    // A refused number never gets here: the list's load stops at it.
    if (typed.kind == ValueKind::kDword) {
      // Held as decimal text, like the values Setup.exe adds itself.
      char number[16];
      FormatText(number, sizeof number, "%lu", typed.number);
      rest = GlobalBlock::FromText(number);
      valueType = REG_DWORD;
    } else if (typed.kind != ValueKind::kBadDword && typed.dataStart != 0) {
      rest = GlobalBlock::FromText(text.get() + typed.dataStart);
      if (typed.kind == ValueKind::kExpand) valueType = REG_EXPAND_SZ;
    } else {
      return;
    }
  }
  valueData = std::move(rest);
}

void RegistryItem::Expand() {
  ExpandItemText(*variables, valueName);
  ExpandItemText(*variables, valueData);
}

BOOL RegistryItem::Install(WORD locations) {
  InstallItem::Install(locations);
  if (done) return TRUE;
  const std::string path = BlockText(keyPath);
  const std::string name = BlockText(valueName);
  InstallRecord before;
  before.createdKey = OutermostMissingKey(root, path);
  if (before.createdKey.empty()) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
      RegistryKeyHandle existing(opened);
      DWORD size = 0;
      if (RegQueryValueExA(opened, name.c_str(), nullptr, &before.oldType, nullptr, &size) == ERROR_SUCCESS) {
        before.oldData.resize(size);
        before.valueExisted = RegQueryValueExA(opened, name.c_str(), nullptr, &before.oldType,
                                               size ? before.oldData.data() : nullptr, &size) == ERROR_SUCCESS;
        before.oldData.resize(size);
      }
    }
  }

  char type[16];
  FormatText(type, sizeof type, "%lu", static_cast<unsigned long>(before.oldType));
  JournalNote({"RV", RootShortName(root), path.c_str(), name.c_str(), before.createdKey.c_str(),
               before.valueExisted ? "1" : "0", type, HexText(before.oldData.data(), before.oldData.size()).c_str()});
  const char* rootName = RootFullName(root);
  char keyName[kTextSize * 2];
  FormatText(keyName, sizeof keyName, "%s\\%s", rootName, path.c_str());
  RegistryKey key(owner->instance);
  if (!key.Create(root, path.c_str(), REGISTRY_WRITE)) {
    LogFailure("registry key could not be created", keyName, GetLastError());
    done = 1;
    return FALSE;
  }
  if (!before.createdKey.empty()) LogEvent("registry key created: %s\\%s", rootName, before.createdKey.c_str());
  before.touched = true;
  record = std::move(before);
  const std::string data = BlockText(valueData);
  try {
    if (valueType == REG_DWORD)
      key.SetDword(name.c_str(), static_cast<DWORD>(std::strtoul(data.c_str(), nullptr, 10)));
    else
      key.SetString(name.c_str(), data.c_str(), valueType);
  } catch (const SetupError&) {
    LogFailure("registry value could not be written", keyName, GetLastError());
    throw;
  }
  static const char* const kTypeNames[] = {"", "", " (expandable)", "", " (number)"};
  LogEvent("registry: value written: %s [%s] = %s%s", keyName, name.c_str(), data.c_str(),
           valueType < 5 ? kTypeNames[valueType] : "");
  done = 1;
  return TRUE;
}

BOOL RegistryItem::Remove(WORD) {
  // What this run's Install did decides: its value, and the key with it
  // when the install created the key.
  LogEntry entry;
  entry.type = LogEntry::Registry;
  entry.root = root;
  entry.path = BlockText(keyPath);
  entry.name = BlockText(valueName);
  entry.outer = record.createdKey;
  RemoveLoggedRegistry(entry, false);
  return TRUE;
}

void RegistryItem::Rollback() {
  if (!record.touched) return;
  std::string path = BlockText(keyPath);
  LogEvent("rollback: registry %s", path.c_str());
  if (!record.createdKey.empty()) {
    // Deepest first: a key with subkeys is not deleted, and the keys this
    // run made are taken back level by level.
    while (path.size() >= record.createdKey.size() && RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) {
      const std::size_t backslash = path.rfind('\\');
      if (backslash == std::string::npos) break;
      path.resize(backslash);
    }
  } else {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
      RegistryKeyHandle key(opened);
      const std::string name = BlockText(valueName);
      if (record.valueExisted)
        RegSetValueExA(opened, name.c_str(), 0, record.oldType, record.oldData.empty() ? nullptr : record.oldData.data(),
                       static_cast<DWORD>(record.oldData.size()));
      else
        RegDeleteValueA(opened, name.c_str());
    }
  }
  record = InstallRecord();
  done = 0;
}
