#include "engine/folders.h"

#include "session/journal.h"

#include <windows.h>

#include <cstring>

#include "platform/run_log.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

// Asking for the folder itself answers at once; listing it with "\*.*" costs
// time that grows with the files already there, once for every file.
bool FolderExists(const char* folder) {
  const DWORD attributes = GetFileAttributesA(folder);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void CreateFolderPath(char* folder, std::string* outermostCreated) {
  if (outermostCreated) outermostCreated->clear();
  if (!folder || std::strlen(folder) < 4) return;
  if (FolderExists(folder)) return;
  char* backslash = std::strrchr(folder, '\\');
  if (!backslash) return;
  *backslash = '\0';
  CreateFolderPath(folder, outermostCreated);
  *backslash = '\\';
  // Noted before it is made: a run cut short right after leaves no folder
  // that the next run does not know of.
  JournalNote({"FF", folder, folder});
  if (CreateDirectoryA(folder, nullptr) && outermostCreated && outermostCreated->empty()) *outermostCreated = folder;
}

void RemoveCreatedFolders(const char* innermost, const char* outermost) {
  if (!innermost || !outermost || !outermost[0]) return;
  const std::size_t outermostSize = std::strlen(outermost);
  std::string folder = innermost;
  if (folder.size() < outermostSize || lstrcmpiA(folder.substr(0, outermostSize).c_str(), outermost) != 0) return;
  // RemoveDirectoryA refuses a folder that holds anything, which is the
  // check we want: what others put there since keeps its folder.
  while (folder.size() >= outermostSize) {
    if (!RemoveDirectoryA(folder.c_str())) {
      const DWORD error = GetLastError();
      if (error == ERROR_DIR_NOT_EMPTY)
        LogEvent("folder kept: %s (it holds other files)", folder.c_str());
      else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        LogFailure("folder could not be removed", folder.c_str(), error);
      break;
    }
    LogEvent("folder removed: %s", folder.c_str());
    const std::size_t backslash = folder.rfind('\\');
    if (backslash == std::string::npos) break;
    folder.resize(backslash);
  }
}

bool IsFolderEmpty(const char* folder) {
  if (!folder || std::strlen(folder) < 4) return false;
  char pattern[kPathSize];
  if (!CopyText(pattern, sizeof pattern, folder) || !AppendText(pattern, sizeof pattern, "\\*.*")) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(FindFirstFileA(pattern, &entry));
  if (!search) return false;
  do {
    const bool dotFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] == '.';
    if (!dotFolder) return false;
  } while (FindNextFileA(search.get(), &entry));
  return true;
}

bool GetFolderPart(const char* path, char* folder, int size) {
  if (!path || size <= 0) return false;
  const char* backslash = std::strrchr(path, '\\');
  if (!backslash) return false;
  const std::size_t length = static_cast<std::size_t>(backslash - path);
  if (length >= static_cast<std::size_t>(size)) return false;
  std::memcpy(folder, path, length);
  folder[length] = '\0';
  return true;
}
