#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/file_removal.h"
#include "engine/folders.h"
#include "platform/format_text.h"
#include "platform/run_log.h"
#include "registry/registry_key.h"
#include "registry/registry_removal.h"
#include "shortcuts/link_removal.h"
#include "uninstall/install_record.h"
#include "uninstall/product_identity.h"

#include "engine/install_pass.h"
#include "engine/pass_messages.h"
#include "engine/progress_window.h"
#include "resources/resource_ids.h"
#include "setupdat/install_item.h"
#include "session/journal.h"
#include "session/setup_session.h"
#include "uninstall/removal.h"

namespace {

// The stage is painted at once, not at the pass's next pause.
void ShowStage(HWND window, const char* text) {
  if (!window) return;
  SetDlgItemTextA(window, IDC_REMOVAL_STAGE, text);
  UpdateWindow(window);
}

// A removal cut short keeps the log of what is left, so that the next
// uninstall finishes the job: the entries still to remove, the uninstall
// entry's own and the folders, with its checksum in the entry again.
void KeepWhatIsLeft(SetupSession& session, const InstallLog& log, const std::vector<char>& left) {
  InstallLog rest;
  rest.folder = log.folder;
  rest.product = log.product;
  rest.version = log.version;
  for (std::size_t i = 0; i < log.entries.size(); ++i)
    if (left[i] || log.entries[i].type == LogEntry::Folders) rest.entries.push_back(log.entries[i]);
  char path[kPathSize];
  DWORD checksum = 0;
  if (!InstallLogPath(session, log.folder, path) || !WriteInstallLog(rest, path, checksum)) return;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(ProductRoot(), ProductKeyPath(session, log.product).c_str(), 0, KEY_SET_VALUE, &opened) !=
      ERROR_SUCCESS)
    return;
  RegistryKeyHandle key(opened);
  char text[16];
  FormatText(text, sizeof text, "%08lx", static_cast<unsigned long>(checksum));
  RegSetValueExA(key.get(), kLogChecksumValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

bool RemoveEntry(SetupSession& session, const LogEntry& entry) {
  switch (entry.type) {
    case LogEntry::File:
      return RemoveLoggedFile(session, entry);
    case LogEntry::Registry:
      return RemoveLoggedRegistry(entry, false);
    case LogEntry::Link:
      return RemoveLoggedLink(entry);
    case LogEntry::Folders:
      break;
  }
  return true;
}

// Walks the log's entries of one type backwards; every one is tried, and
// those that could not be removed stay marked in `left`.
void RemoveEach(SetupSession& session, const InstallLog& log, LogEntry::Type type, std::vector<char>& left) {
  for (std::size_t i = log.entries.size(); i-- > 0;) {
    const LogEntry& entry = log.entries[i];
    if (entry.type != type || left[i]) continue;
    char index[16];
    FormatText(index, sizeof index, "%lu", static_cast<unsigned long>(i));
    JournalNote({"UD", index});
    if (!RemoveEntry(session, entry)) {
      left[i] = true;
      if (session.removalFailure.empty()) session.removalFailure = entry.path;
    }
    KeepPassAlive();
  }
}

bool RemovePasses(SetupSession& session, HWND window) {
  session.progressWindow = window;
  const InstallLog& log = *session.removalLog;
  const std::string entryKey = ProductKeyPath(session, log.product);
  std::vector<char> left(log.entries.size(), false);
  // The uninstall entry goes last, with the log: until then a second
  // uninstall can finish what this one could not.
  std::vector<char> lastly(log.entries.size(), false);
  for (std::size_t i = 0; i < log.entries.size(); ++i)
    lastly[i] = log.entries[i].type == LogEntry::Registry && log.entries[i].root == ProductRoot() &&
                IsWithin(log.entries[i].path, entryKey);
  std::vector<char> skip = lastly;
  // What an earlier uninstall of this log removed before it was cut short.
  for (std::size_t done : session.removalDone)
    if (done < skip.size()) skip[done] = true;

  static const struct {
    LogEntry::Type type;
    const char* stage;
  } kPasses[] = {{LogEntry::File, "Removing files"},
                 {LogEntry::Registry, "Removing registry entries"},
                 {LogEntry::Link, "Removing shortcuts"}};
  for (const auto& pass : kPasses) {
    ShowStage(window, pass.stage);
    RemoveEach(session, log, pass.type, skip);
  }

  for (std::size_t i = 0; i < left.size(); ++i) left[i] = skip[i];
  for (std::size_t done : session.removalDone)
    if (done < left.size()) left[done] = false;
  if (!session.removalFailure.empty()) {
    LogEvent("not removed: %s; the install log keeps what is left", session.removalFailure.c_str());
    KeepWhatIsLeft(session, log, left);
    return false;
  }
  // The last phase: the entry, the log, the folders. A run cut short here
  // finds the log no longer trusted, so the folders are in the journal.
  for (std::size_t i = 0; i < log.entries.size(); ++i) {
    const LogEntry& entry = log.entries[i];
    if (entry.type == LogEntry::Folders) JournalNote({"UF", entry.path.c_str(), entry.outer.c_str()});
    if (lastly[i])
      JournalNote({"UR", RootShortName(entry.root), entry.path.c_str(), entry.name.c_str(),
                   entry.outer.c_str()});
  }
  JournalNote({"UE"});
  FlushJournal();
  char path[kPathSize];
  for (std::size_t i = log.entries.size(); i-- > 0;)
    if (lastly[i]) RemoveLoggedRegistry(log.entries[i], false);
  if (InstallLogPath(session, log.folder, path)) DeleteFileA(path);
  HKEY opened = nullptr;
  if (RegOpenKeyExA(ProductRoot(), entryKey.c_str(), 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
    RegistryKeyHandle key(opened);
    RegDeleteValueA(key.get(), kLogChecksumValue);
  }
  for (auto entry = log.entries.rbegin(); entry != log.entries.rend(); ++entry)
    if (entry->type == LogEntry::Folders) RemoveCreatedFolders(entry->path.c_str(), entry->outer.c_str());
  return true;
}

}  // namespace

bool LoadRemovalLog(SetupSession& session) {
  char folder[kPathSize] = "";
  if (const Variable* setFolder = session.variables->FindKey('I')) setFolder->GetValue(folder, kPathSize - 1);
  std::unique_ptr<InstallLog> log(new InstallLog);
  if (!ReadTrustedLog(session, folder, *log)) return false;
  // The folder Setup.dat recorded must be the one the log names: an edited
  // Setup.dat removes nothing.
  char recorded[kPathSize];
  if (session.GetSetupString(IDS_SECTION_UNINSTALL, IDS_KEY_INSTALLFOLDER, recorded, sizeof recorded) &&
      !SamePath(WithoutTrailingBackslash(recorded), log->folder)) {
    LogEvent("Setup.dat names another installation folder: %s", recorded);
    return false;
  }
  session.removalLog = std::move(log);
  return true;
}

bool RunRemove(SetupSession& session, HWND window) {
  if (!session.removalLog) return false;
  // An error thrown by an item ends the removal as failed, after its
  // report: the user is then told that files may remain.
  try {
    return RemovePasses(session, window);
  } catch (...) {
    session.ReportError(CaughtError());
  }
  return false;
}

void RunRollback(SetupSession& session) {
  session.progressWindow = nullptr;
  TakeBackInstallLog(session);
  RollbackList(session, ITEM_KIND_FILE);
  RollbackList(session, ITEM_KIND_REGISTRY);
  RollbackList(session, ITEM_KIND_SHORTCUT);
}

INT_PTR CALLBACK RemovalDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  // The window has no buttons: only its start-up is handled.
  if (message != WM_INITDIALOG) return FALSE;
  CentreOnOwner(dialog);
  SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  SetDlgItemTextA(dialog, IDC_REMOVAL_STAGE, "");
  return TRUE;
}
