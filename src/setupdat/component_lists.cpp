#include "setupdat/component_lists.h"

#include <memory>
#include <new>

#include "engine/file_item.h"
#include "registry/registry_item.h"
#include "resources/resource_ids.h"
#include "setupdat/section_keys.h"
#include "platform/globals.h"
#include "shell/setup_session.h"
#include "shortcuts/shortcut_item.h"

namespace {

// The one place where a list line becomes an item of its kind.
InstallItem* MakeItem(SetupSession& session, WORD kind, HKEY root, const char* key, const char* value) {
  VariableTable* table = session.variables.get();
  switch (kind) {
    case ITEM_KIND_FILE:
      return new (std::nothrow) FileItem(&session, table, key, value);
    case ITEM_KIND_REGISTRY:
      return new (std::nothrow) RegistryItem(&session, table, root, key, value);
    case ITEM_KIND_SHORTCUT:
      return new (std::nothrow) ShortcutItem(&session, table, key, value);
    default:
      return nullptr;
  }
}

void ReadItems(SetupSession& session, WORD kind, HKEY root, const char* section, const char* names) {
  ItemList* list = session.list(kind);
  if (!list) throw SetupError(SETUP_ERR_BAD_LIST);
  const char* name = names;
  do {
    char value[kPathSize];
    if (!session.GetProfileText(section, name, value, sizeof value)) throw SetupError(SETUP_ERR_BAD_LIST);
    std::unique_ptr<InstallItem> item(MakeItem(session, kind, root, name, value));
    if (!item) throw SetupError(SETUP_ERR_NO_MEMORY);
    if (kind == ITEM_KIND_FILE) session.totalBytes += item->GetSize();
    if (list->Append(item.get())) item.release();
  } while (NextKeyName(name));
}

}  // namespace

bool LoadItemList(SetupSession& session, WORD kind, UINT listKeyId, HKEY root) {
  try {
    char section[kTextSize];
    if (!session.GetSetupString(IDS_SECTION_SETUP, listKeyId, section, sizeof section)) return true;
    GlobalBlock names;
    if (!ReadSectionKeys(session, section, names)) throw SetupError(SETUP_ERR_BAD_LIST);
    BlockLock<const char> text(names);
    if (!text) throw SetupError(SETUP_ERR_NO_MEMORY);
    ReadItems(session, kind, root, section, text.get());
    return true;
  } catch (SetupError& code) {
    session.ReportError(code);
    return false;
  }
}

bool LoadComponentLists(SetupSession& session) {
  return LoadItemList(session, ITEM_KIND_FILE, IDS_KEY_FILES, nullptr) &&
         LoadItemList(session, ITEM_KIND_REGISTRY, IDS_KEY_REGCLASSES, HKEY_CLASSES_ROOT) &&
         LoadItemList(session, ITEM_KIND_REGISTRY, IDS_KEY_REGMACHINE, HKEY_LOCAL_MACHINE) &&
         LoadItemList(session, ITEM_KIND_SHORTCUT, IDS_KEY_SHORTCUTS, nullptr);
}
