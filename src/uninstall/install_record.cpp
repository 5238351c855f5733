#include "uninstall/install_record.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include <string>

#include "engine/file_item.h"
#include "engine/file_removal.h"
#include "engine/folders.h"
#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "registry/registry_item.h"
#include "registry/registry_key.h"
#include "registry/registry_removal.h"
#include "resources/resource_ids.h"
#include "session/journal.h"
#include "session/setup_session.h"
#include "shortcuts/link_removal.h"
#include "shortcuts/shortcut_item.h"
#include "uninstall/product_identity.h"

namespace {

std::string VariableValue(const SetupSession& session, unsigned char key) {
  char text[kPathSize] = "";
  if (const Variable* variable = session.variables->FindKey(key)) variable->GetValue(text, kPathSize - 1);
  return text;
}

std::string SetupText(SetupSession& session, UINT keyId) {
  char text[kTextSize] = "";
  session.GetSetupString(IDS_SECTION_SETUP, keyId, text, sizeof text);
  return text;
}

std::string BlockText(const GlobalBlock& block) {
  BlockLock<const char> text(block);
  return text ? std::string(text.get()) : std::string();
}

// `text` with every "%" doubled, so that the expansion gives it back as is.
std::string Literal(const std::string& text) {
  std::string literal;
  for (char c : text) {
    literal.push_back(c);
    if (c == '%') literal.push_back('%');
  }
  return literal;
}

bool ListWrites(SetupSession& session, const std::string& keyPath, const char* name) {
  ItemList* list = session.list(ITEM_KIND_REGISTRY);
  InstallItem* item = nullptr;
  for (bool more = list && list->First(item); more; more = list->Next(item)) {
    auto* registry = static_cast<RegistryItem*>(item);
    if (registry->root == ProductRoot() && SamePath(BlockText(registry->keyPath), keyPath) &&
        SamePath(BlockText(registry->valueName), name))
      return true;
  }
  return false;
}

// One value of the uninstall entry, as a registry line of the product's
// own would write it, unless one does.
void AddEntryValue(SetupSession& session, const std::string& keyPath, const char* name, const std::string& data,
                   DWORD type) {
  if (ListWrites(session, keyPath, name) || !session.list(ITEM_KIND_REGISTRY)) return;
  const std::string key = keyPath + ":setup-" + name;
  const std::string value = std::string(name) + "|" + data;
  std::unique_ptr<RegistryItem> item(
      new RegistryItem(&session, session.variables.get(), ProductRoot(), key.c_str(), value.c_str()));
  // The entry's texts are the author's words as they stand, never read
  // for a type word.
  item->valueData = GlobalBlock::FromText(data.c_str());
  item->valueType = type;
  session.list(ITEM_KIND_REGISTRY)->Append(item.release());
}

// The log of this installation: what each item did, and what the
// installation it updates did to the same files, values and links.
InstallLog BuildInstallLog(SetupSession& session) {
  const InstallLog* before = session.previousLog.get();
  InstallLog log;
  log.folder = WithoutTrailingBackslash(VariableValue(session, '0'));
  log.product = session.productKey;
  log.version = SetupText(session, IDS_KEY_VERSION);
  // The folders the earlier installation made are the product's still.
  if (before)
    for (const LogEntry& entry : before->entries)
      if (entry.type == LogEntry::Folders) log.entries.push_back(entry);

  InstallItem* item = nullptr;
  ItemList* files = session.list(ITEM_KIND_FILE);
  for (bool more = files && files->First(item); more; more = files->Next(item)) {
    auto* file = static_cast<FileItem*>(item);
    LogEntry entry;
    entry.path = BlockText(file->destination);
    const LogEntry* old = before ? before->FindFile(entry.path) : nullptr;
    entry.owned = file->record.placement != FileItem::Placement::None || (old && old->owned);
    entry.counted = file->record.counted || (old && old->counted);
    entry.shared = file->shared != 0 || (old && old->shared);
    if (!file->record.createdFolder.empty()) {
      char folder[kPathSize];
      if (GetFolderPart(entry.path.c_str(), folder, sizeof folder)) {
        LogEntry folders;
        folders.type = LogEntry::Folders;
        folders.path = folder;
        folders.outer = file->record.createdFolder;
        log.entries.push_back(folders);
      }
    }
    if (entry.owned || entry.counted) log.entries.push_back(entry);
  }

  // A key the earlier installation created stays this product's: the
  // first line that writes into it now carries that.
  std::vector<std::string> carried;
  ItemList* registry = session.list(ITEM_KIND_REGISTRY);
  for (bool more = registry && registry->First(item); more; more = registry->Next(item)) {
    auto* value = static_cast<RegistryItem*>(item);
    if (!value->record.touched) continue;
    LogEntry entry;
    entry.type = LogEntry::Registry;
    entry.root = value->root;
    entry.path = BlockText(value->keyPath);
    entry.name = BlockText(value->valueName);
    entry.outer = value->record.createdKey;
    const LogEntry* old = before ? before->FindRegistry(entry.root, entry.path, nullptr) : nullptr;
    if (old && entry.outer.empty() && !old->outer.empty()) {
      std::string upper = old->outer;
      CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
      upper += "|";
      upper += RootShortName(entry.root);
      bool seen = false;
      for (const std::string& done : carried) seen = seen || done == upper;
      if (!seen) {
        carried.push_back(upper);
        entry.outer = old->outer;
      }
    }
    log.entries.push_back(entry);
  }

  ItemList* links = session.list(ITEM_KIND_SHORTCUT);
  for (bool more = links && links->First(item); more; more = links->Next(item)) {
    for (const ShortcutItem::PlacedLink& placed : static_cast<ShortcutItem*>(item)->placed()) {
      LogEntry entry;
      entry.type = LogEntry::Link;
      entry.path = placed.path;
      entry.outer = placed.outermostCreated;
      const LogEntry* old = before ? before->FindLink(entry.path) : nullptr;
      if (old && entry.outer.empty()) entry.outer = old->outer;
      log.entries.push_back(entry);
    }
  }
  return log;
}

void WriteEntryChecksum(SetupSession& session, DWORD checksum) {
  LogPlacement& placement = session.logPlacement;
  placement.entryKey = ProductKeyPath(session, session.productKey);
  RegistryKey key(session.instance);
  if (!key.Create(ProductRoot(), placement.entryKey.c_str(), REGISTRY_READ_WRITE))
    ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
  GlobalBlock old;
  try {
    if (key.HasValue(kLogChecksumValue) && key.QueryString(kLogChecksumValue, old)) {
      BlockLock<const char> text(old);
      placement.oldChecksum = text ? text.get() : "";
    }
  } catch (SetupError&) {
  }
  char text[16];
  FormatText(text, sizeof text, "%08lx", static_cast<unsigned long>(checksum));
  placement.checksumWritten = true;
  JournalNote({"K", placement.entryKey.c_str(), placement.oldChecksum.empty() ? "-" : placement.oldChecksum.c_str()});
  key.SetString(kLogChecksumValue, text);
}

}  // namespace

void FindInstalledProduct(SetupSession& session) {
  const std::string key = NamedProductKey(session);
  const std::string folder = InstalledFolder(session, key);
  if (folder.empty()) return;
  std::unique_ptr<InstallLog> log(new InstallLog);
  if (!ReadTrustedLog(session, folder, *log) || !SamePath(log->product, key)) return;
  if (!g_folderSwitch[0]) session.variables->Set('0', folder.c_str());
  LogEvent("installed already in %s, version %s", folder.c_str(), log->version.c_str());
  session.previousLog = std::move(log);
}

void PrepareProductRecord(SetupSession& session) {
  const std::string folder = WithoutTrailingBackslash(VariableValue(session, '0'));
  // A product in a drive's root or among Windows' own folders could never
  // be removed safely: refused before anything is installed.
  if (!IsSafeProductFolder(folder)) ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
  session.productKey = ProductKeyName(session, folder);
  if (!session.previousLog || !SamePath(session.previousLog->product, session.productKey)) {
    session.previousLog.reset();
    std::string installed = InstalledFolder(session, session.productKey);
    if (installed.empty()) installed = folder;
    std::unique_ptr<InstallLog> log(new InstallLog);
    if (ReadTrustedLog(session, installed, *log) && SamePath(log->product, session.productKey))
      session.previousLog = std::move(log);
  }
  if (session.previousLog)
    LogEvent("this installation updates version %s in %s", session.previousLog->version.c_str(),
             session.previousLog->folder.c_str());

  const std::string keyPath = ProductKeyPath(session, session.productKey);
  char size[16];
  FormatText(size, sizeof size, "%lu", static_cast<unsigned long>(session.totalBytes / 1024));
  AddEntryValue(session, keyPath, "InstallLocation", "%0", REG_SZ);
  AddEntryValue(session, keyPath, "EstimatedSize", size, REG_DWORD);
  AddEntryValue(session, keyPath, "NoModify", "1", REG_DWORD);
  AddEntryValue(session, keyPath, "NoRepair", "1", REG_DWORD);
  const std::string version = SetupText(session, IDS_KEY_VERSION);
  if (!version.empty()) AddEntryValue(session, keyPath, "DisplayVersion", Literal(version), REG_SZ);
  const std::string publisher = SetupText(session, IDS_KEY_PUBLISHER);
  if (!publisher.empty()) AddEntryValue(session, keyPath, "Publisher", Literal(publisher), REG_SZ);
}

bool RecordInstallLog(SetupSession& session) {
  try {
    std::unique_ptr<InstallLog> log(new InstallLog(BuildInstallLog(session)));
    char path[kPathSize];
    if (!IsSafeProductFolder(log->folder) || !InstallLogPath(session, log->folder, path))
      ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
    session.logPlacement.path = path;
    // The log it replaces waits beside it until the installation stands.
    const std::string kept = std::string(path) + ".old";
    DeleteFileA(kept.c_str());
    CopyFileA(path, kept.c_str(), FALSE);
    JournalNote({"G", path});
    DWORD checksum = 0;
    if (!WriteInstallLog(*log, path, checksum)) ThrowSetupError(SETUP_ERR_UNINSTALL_INFO);
    WriteEntryChecksum(session, checksum);
    LogEvent("install log written: %s (%08lx)", path, static_cast<unsigned long>(checksum));
    session.writtenLog = std::move(log);
    return true;
  } catch (...) {
    session.ReportError(CaughtError());
  }
  return false;
}

void RestoreReplacedLog(const char* path) {
  const std::string kept = std::string(path) + ".old";
  if (!MoveFileExA(kept.c_str(), path, MOVEFILE_REPLACE_EXISTING)) DeleteFileA(path);
  DeleteFileA((std::string(path) + ".new").c_str());
}

void RestoreEntryChecksum(const char* entryKey, const char* old) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(ProductRoot(), entryKey, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  RegistryKeyHandle key(opened);
  if (!old[0])
    RegDeleteValueA(key.get(), kLogChecksumValue);
  else
    RegSetValueExA(key.get(), kLogChecksumValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(old),
                   static_cast<DWORD>(std::strlen(old) + 1));
}

void TakeBackInstallLog(SetupSession& session) {
  LogPlacement& placement = session.logPlacement;
  if (placement.checksumWritten) RestoreEntryChecksum(placement.entryKey.c_str(), placement.oldChecksum.c_str());
  if (!placement.path.empty()) RestoreReplacedLog(placement.path.c_str());
  session.logPlacement = LogPlacement();
  session.writtenLog.reset();
}

void RemoveDroppedItems(SetupSession& session) {
  if (!session.logPlacement.path.empty()) DeleteFileA((session.logPlacement.path + ".old").c_str());
  const InstallLog* before = session.previousLog.get();
  const InstallLog* now = session.writtenLog.get();
  if (!before || !now) return;
  const auto& entries = before->entries;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    if (entry->type == LogEntry::File && !now->FindFile(entry->path)) RemoveLoggedFile(session, *entry);
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->type != LogEntry::Registry || now->FindRegistry(entry->root, entry->path, entry->name.c_str()))
      continue;
    // A key that still serves the product's lines keeps them.
    bool keepKey = false;
    for (const LogEntry& current : now->entries)
      keepKey = keepKey || (current.type == LogEntry::Registry && current.root == entry->root &&
                            IsWithin(current.path, entry->outer.empty() ? entry->path : entry->outer));
    RemoveLoggedRegistry(*entry, keepKey);
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    if (entry->type == LogEntry::Link && !now->FindLink(entry->path)) RemoveLoggedLink(*entry);
  // Moved elsewhere: the old folder's log goes, and with it the folder.
  char oldLog[kPathSize];
  if (!SamePath(before->folder, now->folder) && InstallLogPath(session, before->folder, oldLog)) DeleteFileA(oldLog);
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    if (entry->type == LogEntry::Folders) RemoveCreatedFolders(entry->path.c_str(), entry->outer.c_str());
}
