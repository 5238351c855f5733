#include "uninstall/recovery.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/folders.h"
#include "engine/restart.h"
#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "registry/registry_key.h"
#include "registry/registry_removal.h"
#include "registry/shared_dll_count.h"
#include "resources/resource_ids.h"
#include "session/journal.h"
#include "session/setup_session.h"
#include "shortcuts/link_removal.h"
#include "uninstall/install_record.h"
#include "uninstall/product_identity.h"
#include "uninstall/removal.h"

namespace {

using Line = JournalLine;

bool Is(const char* text, const char* word) { return std::strcmp(text, word) == 0; }

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

std::string Upper(const char* text) {
  std::string upper = text;
  if (!upper.empty()) CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  return upper;
}

// A name made ready for a rename that never came is empty; anything else
// is somebody's file and stays.
void DeleteIfEmpty(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) && data.nFileSizeLow == 0 &&
      data.nFileSizeHigh == 0 && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    DeleteFileA(path);
}

// An old file renamed aside: back in its place, over the new one that
// took it.
void PutBack(const char* path, const char* aside) {
  if (!Exists(aside)) return;
  if (Exists(path)) {
    DeleteIfEmpty(aside);
    return;
  }
  MoveFileA(aside, path);
}

// Calls `act` with the path of each file in `folder` whose name matches
// `pattern`. A path too long for the system's calls names nothing they
// could reach.
template <typename Act>
void EachFile(const char* folder, const char* pattern, Act act) {
  char path[kPathSize];
  if (FormatText(path, sizeof path, "%s\\%s", folder, pattern) < 0) return;
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA(path, &found));
  if (!find) return;
  do {
    if (FormatText(path, sizeof path, "%s\\%s", folder, found.cFileName) >= 0) act(path);
  } while (FindNextFileA(find.get(), &found));
}

// The names made ready in `folder` with `prefix` for a rename the run did
// not live to make: empty, and so nobody's.
void DeleteEmptyPlaceholders(const char* folder, const char* prefix) {
  char pattern[kPathSize];
  if (FormatText(pattern, sizeof pattern, "%s*.tmp", prefix) >= 0) EachFile(folder, pattern, DeleteIfEmpty);
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& known : names)
    if (known == name) return true;
  return false;
}

void EmptyStagingFolder(const char* folder) {
  EachFile(folder, "QWI*.TMP", [](const char* path) { DeleteFileA(path); });
  RemoveDirectoryA(folder);
}

// `path` with `ending` added, when that still fits a path.
void DeleteWithEnding(const char* path, const char* ending) {
  char named[kPathSize];
  if (FormatText(named, sizeof named, "%s%s", path, ending) >= 0) DeleteFileA(named);
}

void RestoreRegistryValue(const Line& line) {
  // RV root path name createdKey existed type data
  if (line.count < 8) return;
  const HKEY root = RootOfShortName(line[1]);
  if (!root) return;
  const char* created = line[4];
  if (created[0]) {
    std::string path = line[2];
    const std::size_t createdSize = std::strlen(created);
    while (path.size() >= createdSize && RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) {
      const std::size_t backslash = path.rfind('\\');
      if (backslash == std::string::npos) break;
      path.resize(backslash);
    }
    return;
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, line[2], 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  RegistryKeyHandle key(opened);
  if (Is(line[5], "1")) {
    const std::vector<BYTE> data = HexBytes(line[7]);
    RegSetValueExA(key.get(), line[3], 0, std::strtoul(line[6], nullptr, 10), data.empty() ? nullptr : data.data(),
                   static_cast<DWORD>(data.size()));
  } else {
    RegDeleteValueA(key.get(), line[3]);
  }
}

// Takes back an installation from its notes, newest first. After its
// commit an installation stands: only what it kept for a rollback goes.
void TakeBackInstallation(SetupSession& session, const std::vector<Line>& lines) {
  bool committed = false;
  for (const Line& line : lines) committed = committed || Is(line[0], "COMMIT");
  std::vector<std::string> skipped;  // files whose placement the run took back itself
  std::vector<std::string> placed;   // files whose last placement has been looked at
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const char* kind = (*line)[0];
    const char* first = (*line)[1];
    const char* second = (*line)[2];
    if (committed) {
      if ((Is(kind, "FA") || Is(kind, "LA")) && Exists(first)) DeleteFileA(second);
      if (Is(kind, "S")) EmptyStagingFolder(first);
      if (Is(kind, "G")) DeleteWithEnding(first, ".old");
      continue;
    }
    if (Is(kind, "FX")) {
      skipped.push_back(Upper(first));
    } else if (Is(kind, "F+")) {
      // Only a file's last attempt can have placed it: placed when its
      // temporary file is gone and the name is taken.
      std::string upper = Upper(first);
      if (Contains(placed, upper)) continue;
      const bool skippedFile = Contains(skipped, upper);
      placed.push_back(std::move(upper));
      if (!skippedFile && !Exists(second) && Exists(first)) DeleteFileA(first);
    } else if (Is(kind, "FA") || Is(kind, "LA")) {
      PutBack(first, second);
    } else if (Is(kind, "FD")) {
      CancelAtRestart(second, first);
      DeleteFileA(second);
    } else if (Is(kind, "FC") && line->count > 2) {
      RestoreSharedCount(session.instance, first, DecodeCount(second));
    } else if (Is(kind, "FF")) {
      RemoveCreatedFolders(first, second);
    } else if (Is(kind, "P")) {
      DeleteEmptyPlaceholders(first, second);
    } else if (Is(kind, "T") || Is(kind, "L+")) {
      DeleteFileA(first);
    } else if (Is(kind, "S")) {
      EmptyStagingFolder(first);
    } else if (Is(kind, "RV")) {
      RestoreRegistryValue(*line);
    } else if (Is(kind, "G")) {
      RestoreReplacedLog(first);
    } else if (Is(kind, "K") && line->count > 2) {
      RestoreEntryChecksum(first, Is(second, "-") ? "" : second);
    }
  }
}

// Finishes an uninstall from the product's log, past what it had removed.
void FinishUninstall(SetupSession& session, const char* folder, const std::vector<Line>& lines) {
  std::unique_ptr<InstallLog> log(new InstallLog);
  if (ReadTrustedLog(session, folder, *log)) {
    session.removalLog = std::move(log);
    // Removing again what is gone already does no harm, but a count must
    // not be lowered twice: an entry whose count may have been lowered is
    // done, at worst leaving the file with a count too many.
    for (const Line& line : lines) {
      if (!Is(line[0], "UD") || line.count < 2) continue;
      const std::size_t index = std::strtoul(line[1], nullptr, 10);
      if (index < session.removalLog->entries.size() && session.removalLog->entries[index].counted)
        session.removalDone.push_back(index);
    }
    RunRemove(session, nullptr);
    session.removalLog.reset();
    session.removalDone.clear();
    session.removalFailure.clear();
    return;
  }
  // Cut short in its last phase: the entry went, the log and the folders
  // are left to go.
  bool lastPhase = false;
  for (const Line& line : lines) lastPhase = lastPhase || Is(line[0], "UE");
  if (!lastPhase) return;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (!Is((*line)[0], "UR") || line->count < 5) continue;
    LogEntry entry;
    entry.type = LogEntry::Registry;
    entry.root = RootOfShortName((*line)[1]);
    if (!entry.root) continue;
    entry.path = (*line)[2];
    entry.name = (*line)[3];
    entry.outer = (*line)[4];
    RemoveLoggedRegistry(entry, false);
  }
  char path[kPathSize];
  if (InstallLogPath(session, folder, path)) DeleteFileA(path);
  for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    if (Is((*line)[0], "UF") && line->count > 2) RemoveCreatedFolders((*line)[1], (*line)[2]);
}

}  // namespace

bool RecoverInterruptedRun(SetupSession& session) {
  // Both places are looked at: a run of either scope may have been cut
  // short, and each is put right in its own scope.
  const bool scope = g_userScope;
  bool found = false;
  for (const bool user : {false, true}) {
    g_userScope = user;
    std::string text;
    std::vector<Line> lines;
    if (!ReadJournal(text, lines)) continue;
    found = true;
    if (!lines.empty() && lines[0].count >= 3 && Is(lines[0][0], "run")) {
      LogEvent("an earlier run was cut short: %s %s", lines[0][1], lines[0][2]);
      if (Is(lines[0][1], "install"))
        TakeBackInstallation(session, lines);
      else if (Is(lines[0][1], "uninstall"))
        FinishUninstall(session, lines[0][2], lines);
      ShowStringMessage(session.window, IDS_RECOVERED, MB_ICONINFORMATION);
    }
    DiscardJournal();
  }
  g_userScope = scope;
  return found;
}
