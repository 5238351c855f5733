#include "setupdat/component_lists.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "engine/file_item.h"
#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "registry/registry_item.h"
#include "resources/resource_ids.h"
#include "setupdat/list_fields.h"
#include "setupdat/list_section.h"
#include "setupdat/field_split.h"
#include "setupdat/typed_value.h"
#include "session/setup_session.h"
#include "shortcuts/shortcut_item.h"

namespace {

// The longest value a line may have: what the reader of single keys gives.
constexpr std::size_t kLongestValue = kTextSize - 1;
// The most bytes the files of a set may come to: the totals are 32-bit.
constexpr unsigned long long kMostBytes = 0xFFFFFFFFull;
// How much of a key a report shows.
constexpr int kShownKey = 60;

// Where reading stands, for the report of a line that cannot be read.
struct ListPosition {
  const char* section = "";
  const char* key = nullptr;
  const char* reason = nullptr;
  char numbered[kTextSize];  // a reason that names the line's number
  char listKey[32];          // a [Setup] key that names a list refused whole
};

[[noreturn]] void RefuseLine(ListPosition& position, const char* reason) {
  position.reason = reason;
  ThrowSetupError(SETUP_ERR_BAD_LIST);
}

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

// A size is a count of bytes: empty, or digits with an optional plus sign
// after blanks (what follows the digits is not looked at). Anything else
// would be read as 0, or wrap the totals.
bool SizeFieldIsCount(const char* value) {
  const char* field = std::strchr(value, ',');
  if (!field) return true;
  ++field;
  while (*field == ' ' || *field == '\t') ++field;
  if (*field == ',' || *field == '\0') return true;
  if (*field == '+') ++field;
  return *field >= '0' && *field <= '9';
}

// The checks a line must pass before it becomes an item, so that no line
// is cut or half read without a word.
void CheckLine(WORD kind, const ListSection::Line& line, ListPosition& position) {
  if (line.value[0] == '!') RefuseLine(position, "the line has no value");
  if (line.value.size() > kLongestValue) RefuseLine(position, "the line is longer than 255 characters");
  if (kind == ITEM_KIND_REGISTRY && (line.key[0] == ':')) RefuseLine(position, "the line names no registry key");
  if (kind == ITEM_KIND_REGISTRY) {
    // A number that is not one would be written as some other number.
    const char* data = nullptr;
    std::size_t length = 0;
    if (LocateField(line.value.c_str(), '|', 1, data, length) && length < kTextSize) {
      char field[kTextSize];
      std::memcpy(field, data, length);
      field[length] = '\0';
      if (ReadTypedValue(field).kind == ValueKind::kBadDword)
        RefuseLine(position, "the value is not a number of 1 to 8 hex digits after dword:");
    }
  }
  if (kind == ITEM_KIND_FILE && !SizeFieldIsCount(line.value.c_str()))
    RefuseLine(position, "the size is not a number of bytes");
}

[[noreturn]] void RefuseNumberedLine(ListPosition& position, int number, const char* reason) {
  FormatText(position.numbered, sizeof position.numbered, "line %d: %s", number, reason);
  RefuseLine(position, position.numbered);
}

// A per-user installation runs without administrator rights and is
// removed by its user alone: nothing of it may go where every user's
// programs look, nor count in the machine's shared files.
void CheckUserScopeFile(const ListSection::Line& line, ListPosition& position) {
  const char* value = line.value.c_str();
  while (*value == ' ' || *value == '\t') ++value;
  if ((value[0] == '%' && (value[1] == 'S' || value[1] == 's')) && (value[2] == '\\' || value[2] == ',' || !value[2]))
    RefuseNumberedLine(position, line.number, "a per-user installation cannot install into the system folder");
  LONG shared = 0;
  if (GetNumberField(value, ',', shared, 2) && shared != 0)
    RefuseNumberedLine(position, line.number, "a per-user installation keeps no shared files");
}

void ReadItems(SetupSession& session, WORD kind, HKEY root, const ListSection& section, ListPosition& position) {
  ItemList* list = session.list(kind);
  if (!list) ThrowSetupError(SETUP_ERR_BAD_LIST);
  unsigned long long total = session.totalBytes;
  for (const ListSection::Line& line : section.lines()) {
    position.key = line.key.c_str();
    CheckLine(kind, line, position);
    if (session.PerUserRules() && kind == ITEM_KIND_FILE) CheckUserScopeFile(line, position);
    std::unique_ptr<InstallItem> item(MakeItem(session, kind, root, line.key.c_str(), line.value.c_str()));
    if (!item) ThrowSetupError(SETUP_ERR_NO_MEMORY);
    if (kind == ITEM_KIND_FILE) {
      total += item->GetSize();
      if (total > kMostBytes) RefuseLine(position, "the files add up to more than 4 GB");
      session.totalBytes = static_cast<DWORD>(total);
    }
    if (list->Append(item.get())) item.release();
  }
  position.key = nullptr;
}

void ReportListError(const ListPosition& position) {
  char message[kTextSize * 2];
  const char* text = "There is an error in the installation list.";
  if (position.key)
    FormatText(message, sizeof message, "%s\n[%.*s] %.*s: %s", text, kShownKey, position.section, kShownKey,
               position.key, position.reason ? position.reason : "");
  else
    FormatText(message, sizeof message, "%s\n[%.*s] %s", text, kShownKey, position.section,
               position.reason ? position.reason : "");
  ShowErrorReportText(message);
}

// The [Setup] line that names a list of the machine's registry in a
// per-user installation.
[[noreturn]] void RefuseMachineList(SetupSession& session, UINT listKeyId, ListPosition& position) {
  char* key = position.listKey;
  LoadNameString(session.instance, listKeyId, key, sizeof position.listKey);
  position.section = "Setup";
  position.key = key;
  ListSection setup;
  int number = 0;
  if (setup.Read(session.setupDatPath ? session.setupDatPath.get() : "", "Setup"))
    for (const ListSection::Line& line : setup.lines())
      if (!number && lstrcmpiA(line.key.c_str(), key) == 0) number = line.number;
  RefuseNumberedLine(position, number, "a per-user installation writes only below HKEY_CURRENT_USER");
}

}  // namespace

bool LoadItemList(SetupSession& session, WORD kind, UINT listKeyId, HKEY root) {
  ListPosition position;
  // Outside the try, with the lines the position points into: the report
  // names the section and the key after the throw has left the try.
  char section[kTextSize] = "";
  ListSection lines;
  try {
    if (!session.GetSetupString(IDS_SECTION_SETUP, listKeyId, section, sizeof section)) return true;
    const bool machineList = root == HKEY_CLASSES_ROOT || root == HKEY_LOCAL_MACHINE;
    // A set that lets the user choose installs the registry lists of the
    // choice: the machine's for every user, the user's for the user alone.
    if (session.scopeChoice && root && machineList == g_userScope) return true;
    if (g_userScope && machineList) RefuseMachineList(session, listKeyId, position);
    position.section = section;
    const char* path = session.setupDatPath ? session.setupDatPath.get() : "";
    if (!lines.Read(path, section) || lines.lines().empty()) RefuseLine(position, "the section is missing or empty");
    ReadItems(session, kind, root, lines, position);
    return true;
  } catch (SetupError& code) {
    if (code == SETUP_ERR_BAD_LIST && position.reason)
      ReportListError(position);
    else
      session.ReportError(code);
  } catch (std::bad_alloc&) {
    // A list is read whole or not at all: never cut short for want of memory.
    session.ReportError(SETUP_ERR_NO_MEMORY);
  }
  return false;
}

bool LoadRegistryLists(SetupSession& session) {
  std::unique_ptr<ItemList>& list = session.lists[ITEM_KIND_REGISTRY - 1];
  list.reset(new (std::nothrow) ItemList(ITEM_KIND_REGISTRY));
  if (!list) {
    session.ReportError(SETUP_ERR_NO_MEMORY);
    return false;
  }
  return LoadItemList(session, ITEM_KIND_REGISTRY, IDS_KEY_REGCLASSES, HKEY_CLASSES_ROOT) &&
         LoadItemList(session, ITEM_KIND_REGISTRY, IDS_KEY_REGMACHINE, HKEY_LOCAL_MACHINE) &&
         LoadItemList(session, ITEM_KIND_REGISTRY, IDS_KEY_REGUSER, HKEY_CURRENT_USER);
}

bool LoadComponentLists(SetupSession& session) {
  return LoadItemList(session, ITEM_KIND_FILE, IDS_KEY_FILES, nullptr) && LoadRegistryLists(session) &&
         LoadItemList(session, ITEM_KIND_SHORTCUT, IDS_KEY_SHORTCUTS, nullptr);
}
