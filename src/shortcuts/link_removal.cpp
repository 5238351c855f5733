#include "shortcuts/link_removal.h"

#include "engine/folders.h"
#include "platform/globals.h"
#include "platform/run_log.h"

bool RemoveLoggedLink(const LogEntry& entry) {
  const char* path = entry.path.c_str();
  if (!DeleteFileA(path)) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      LogFailure("link could not be removed", path, error);
      return false;
    }
    LogEvent("link already gone: %s", path);
  } else {
    LogEvent("link removed: %s", path);
  }
  char folder[kPathSize];
  if (GetFolderPart(path, folder, sizeof folder)) RemoveCreatedFolders(folder, entry.outer.c_str());
  return true;
}
