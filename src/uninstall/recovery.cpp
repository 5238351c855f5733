#include "uninstall/recovery.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/folders.h"
#include "engine/restart.h"
#include "platform/error_report.h"
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

using Line = std::vector<std::string>;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// A name made ready for a rename that never came is empty; anything else
// is somebody's file and stays.
void DeleteIfEmpty(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow == 0 &&
      data.nFileSizeHigh == 0 && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    DeleteFileA(path.c_str());
}

// An old file renamed aside: back in its place, over the new one that
// took it.
void PutBack(const std::string& path, const std::string& aside) {
  if (!Exists(aside)) return;
  if (Exists(path)) {
    DeleteIfEmpty(aside);
    return;
  }
  MoveFileA(aside.c_str(), path.c_str());
}

// The names made ready in `folder` with `prefix` for a rename the run did
// not live to make: empty, and so nobody's.
void DeleteEmptyPlaceholders(const std::string& folder, const std::string& prefix) {
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA((folder + "\\" + prefix + "*.tmp").c_str(), &found));
  if (!find) return;
  do {
    DeleteIfEmpty(folder + "\\" + found.cFileName);
  } while (FindNextFileA(find.get(), &found));
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& known : names)
    if (known == name) return true;
  return false;
}

void EmptyStagingFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA((folder + "\\QWI*.TMP").c_str(), &found));
  if (find) {
    do {
      DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find.get(), &found));
  }
  RemoveDirectoryA(folder.c_str());
}

void RestoreRegistryValue(const Line& line) {
  // RV root path name createdKey existed type data
  if (line.size() < 8) return;
  const HKEY root = RootOfShortName(line[1].c_str());
  if (!root) return;
  std::string path = line[2];
  const std::string& created = line[4];
  if (!created.empty()) {
    while (path.size() >= created.size() && RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) {
      const std::size_t backslash = path.rfind('\\');
      if (backslash == std::string::npos) break;
      path.resize(backslash);
    }
    return;
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
  RegistryKeyHandle key(opened);
  if (line[5] == "1") {
    const std::vector<BYTE> data = HexBytes(line[7]);
    RegSetValueExA(key.get(), line[3].c_str(), 0, std::strtoul(line[6].c_str(), nullptr, 10),
                   data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
  } else {
    RegDeleteValueA(key.get(), line[3].c_str());
  }
}

// Takes back an installation from its notes, newest first. After its
// commit an installation stands: only what it kept for a rollback goes.
void TakeBackInstallation(SetupSession& session, const std::vector<Line>& lines) {
  bool committed = false;
  for (const Line& line : lines) committed = committed || line[0] == "COMMIT";
  std::vector<std::string> skipped;  // files whose placement the run took back itself
  std::vector<std::string> placed;   // files whose last placement has been looked at
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const std::string& kind = (*line)[0];
    const std::string first = line->size() > 1 ? (*line)[1] : std::string();
    const std::string second = line->size() > 2 ? (*line)[2] : std::string();
    if (committed) {
      if (kind == "FA" && Exists(first)) DeleteFileA(second.c_str());
      if (kind == "LA" && Exists(first)) DeleteFileA(second.c_str());
      if (kind == "S") EmptyStagingFolder(first);
      if (kind == "G") DeleteFileA((first + ".old").c_str());
      continue;
    }
    if (kind == "FX") {
      skipped.push_back(Upper(first));
    } else if (kind == "F+") {
      // Only a file's last attempt can have placed it: placed when its
      // temporary file is gone and the name is taken.
      const std::string upper = Upper(first);
      if (Contains(placed, upper)) continue;
      placed.push_back(upper);
      if (!Contains(skipped, upper) && !Exists(second) && Exists(first)) DeleteFileA(first.c_str());
    } else if (kind == "FA" || kind == "LA") {
      PutBack(first, second);
    } else if (kind == "FD") {
      CancelAtRestart(second.c_str(), first.c_str());
      DeleteFileA(second.c_str());
    } else if (kind == "FC" && line->size() > 2) {
      RestoreSharedCount(session.instance, first.c_str(), DecodeCount(second));
    } else if (kind == "FF") {
      RemoveCreatedFolders(first.c_str(), second);
    } else if (kind == "P") {
      DeleteEmptyPlaceholders(first, second);
    } else if (kind == "T") {
      DeleteFileA(first.c_str());
    } else if (kind == "S") {
      EmptyStagingFolder(first);
    } else if (kind == "L+") {
      DeleteFileA(first.c_str());
    } else if (kind == "RV") {
      RestoreRegistryValue(*line);
    } else if (kind == "G") {
      RestoreReplacedLog(first);
    } else if (kind == "K" && line->size() > 2) {
      RestoreEntryChecksum(first, second == "-" ? std::string() : second);
    }
  }
}

// Finishes an uninstall from the product's log, past what it had removed.
void FinishUninstall(SetupSession& session, const std::string& folder, const std::vector<Line>& lines) {
  std::unique_ptr<InstallLog> log(new InstallLog);
  if (ReadTrustedLog(session, folder, *log)) {
    session.removalLog = std::move(log);
    // Removing again what is gone already does no harm, but a count must
    // not be lowered twice: an entry whose count may have been lowered is
    // done, at worst leaving the file with a count too many.
    for (const Line& line : lines) {
      if (line[0] != "UD" || line.size() < 2) continue;
      const std::size_t index = std::strtoul(line[1].c_str(), nullptr, 10);
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
  for (const Line& line : lines) lastPhase = lastPhase || line[0] == "UE";
  if (!lastPhase) return;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if ((*line)[0] != "UR" || line->size() < 5) continue;
    LogEntry entry;
    entry.type = LogEntry::Registry;
    entry.root = RootOfShortName((*line)[1].c_str());
    if (!entry.root) continue;
    entry.path = (*line)[2];
    entry.name = (*line)[3];
    entry.outer = (*line)[4];
    RemoveLoggedRegistry(entry, false);
  }
  char path[kPathSize];
  if (InstallLogPath(session, folder, path)) DeleteFileA(path);
  for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    if ((*line)[0] == "UF" && line->size() > 2) RemoveCreatedFolders((*line)[1].c_str(), (*line)[2]);
}

}  // namespace

bool RecoverInterruptedRun(SetupSession& session) {
  // Both places are looked at: a run of either scope may have been cut
  // short, and each is put right in its own scope.
  const bool scope = g_userScope;
  bool found = false;
  for (const bool user : {false, true}) {
    g_userScope = user;
    std::vector<Line> lines;
    if (!ReadJournal(lines)) continue;
    found = true;
    if (!lines.empty() && lines[0].size() >= 3 && lines[0][0] == "run") {
      LogEvent("an earlier run was cut short: %s %s", lines[0][1].c_str(), lines[0][2].c_str());
      if (lines[0][1] == "install")
        TakeBackInstallation(session, lines);
      else if (lines[0][1] == "uninstall")
        FinishUninstall(session, lines[0][2], lines);
      ShowStringMessage(session.window, IDS_RECOVERED, MB_ICONINFORMATION);
    }
    DiscardJournal();
  }
  g_userScope = scope;
  return found;
}
