// Taking a file away again: the uninstall's RemoveFile, and the rollback
// and commit of what this run's InstallFile did.

#include <cstring>

#include "engine/file_item.h"
#include "engine/file_removal.h"
#include "engine/folders.h"
#include "platform/format_text.h"
#include "engine/restart.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "session/setup_session.h"
#include "registry/shared_dll_count.h"

namespace {

// Whether a file (not a folder) of that name exists. OpenFile with
// OF_EXIST would do, but its record holds only 128 characters of path and
// it reports longer paths as missing.
bool FileExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteNowOrAtRestart(SetupSession& session, const char* path) {
  if (!DeleteFileA(path)) DeleteAtRestart(session, path);
}

}  // namespace

void RemoveHelpCompanions(SetupSession& session, const char* path) {
  char companion[kPathSize];
  if (!path || !CopyText(companion, sizeof companion, path)) return;
  const std::size_t length = std::strlen(companion);
  if (length < 3 || lstrcmpiA(companion + length - 3, "HLP") != 0) return;
  for (const char* ending : {"GID", "FTS", "FTG"}) {
    std::memcpy(companion + length - 3, ending, 3);
    if (FileExists(companion)) DeleteNowOrAtRestart(session, companion);
  }
}

bool RemoveLoggedFile(SetupSession& session, const LogEntry& entry) {
  const char* path = entry.path.c_str();
  if (entry.shared) {
    // The count decides, and only a count this product raised is its own
    // to lower.
    if (!entry.counted) return true;
    if (!FileExists(path)) return true;
    bool known = false;
    const LONG count = AdjustSharedCount(session.instance, path, -1, known);
    LogEvent("shared count of %s: %lu%s", path, static_cast<unsigned long>(count), known ? "" : " (not ours to read)");
    if (!known || count != 0) return true;
  } else if (!entry.owned || !FileExists(path)) {
    return true;
  }
  RemoveHelpCompanions(session, path);
  if (DeleteFileA(path)) {
    LogEvent("file removed: %s", path);
    return true;
  }
  const DWORD error = GetLastError();
  if (ParkRunningOriginal(path)) return true;
  if (ReplaceAtRestart(session, path, "NUL")) {
    LogEvent("file left in use, removed at the next restart: %s", path);
    return true;
  }
  LogFailure("file could not be removed", path, error);
  return false;
}

bool ParkRunningOriginal(const char* path) {
  if (!g_runningOriginal[0] || !g_copyFolder[0] || !SamePath(g_runningOriginal, path)) return false;
  // The program that started this copy is still running, waiting for it;
  // it is moved out of the product's folder, so that the folder goes now,
  // and waits beside the copy for the restart, which asks nothing of the
  // product.
  char parked[kPathSize];
  if (FormatText(parked, sizeof parked, "%s\\Original.exe", g_copyFolder) < 0 ||
      !MoveFileExA(path, parked, MOVEFILE_REPLACE_EXISTING))
    return false;
  MoveFileExA(parked, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  LogEvent("file removed: %s (the running program waits in %s)", path, g_copyFolder);
  return true;
}

BOOL FileItem::Remove(WORD) {
  BlockLock<const char> locked(destination);
  const char* path = locked ? locked.get() : "";
  if (!std::strrchr(path, '\\')) return FALSE;
  // An item of the list stands for what it installed.
  LogEntry entry;
  entry.path = path;
  entry.owned = true;
  entry.shared = entry.counted = shared != 0;
  const bool removed = RemoveLoggedFile(*owner, entry);
  char folder[kPathSize];
  if (removed && GetFolderPart(path, folder, sizeof folder) && IsFolderEmpty(folder) && RemoveDirectoryA(folder))
    LogEvent("folder removed: %s", folder);
  return TRUE;
}
void FileItem::Rollback() {
  BlockLock<const char> locked(destination);
  const char* path = locked ? locked.get() : "";
  if (record.placement != Placement::None || !record.asidePath.empty()) LogEvent("rollback: file %s", path);
  switch (record.placement) {
    case Placement::Created:
      DeleteNowOrAtRestart(*owner, path);
      break;
    case Placement::Deferred:
      CancelAtRestart(record.pendingPath.c_str(), path);
      DeleteNowOrAtRestart(*owner, record.pendingPath.c_str());
      break;
    case Placement::Replaced:
    case Placement::None:
      break;
  }
  // The old file takes its name back, over the new one.
  if (!record.asidePath.empty() && !MoveFileExA(record.asidePath.c_str(), path, MOVEFILE_REPLACE_EXISTING))
    ReplaceAtRestart(*owner, record.asidePath.c_str(), path);
  if (record.counted) RestoreSharedCount(owner->instance, path, record.countBefore);
  char folder[kPathSize];
  if (GetFolderPart(path, folder, sizeof folder)) RemoveCreatedFolders(folder, record.createdFolder.c_str());
  record = InstallRecord();
}

void FileItem::Commit() {
  if (record.placement == Placement::Replaced && !record.asidePath.empty()) {
    DeleteNowOrAtRestart(*owner, record.asidePath.c_str());
  } else if (record.placement == Placement::None && !record.asidePath.empty()) {
    // A skipped file whose old version could not take its name back at the
    // time: the install stands, so it takes it back now if the name is free.
    // Otherwise it stays where it is, under its aside name, never deleted.
    BlockLock<const char> path(destination);
    if (path && MoveFileA(record.asidePath.c_str(), path.get()))
      LogEvent("old file back: %s", path.get());
    else
      LogEvent("old file left aside: %s", record.asidePath.c_str());
  }
  record = InstallRecord();
}
