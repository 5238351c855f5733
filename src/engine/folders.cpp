#include "engine/folders.h"

#include <windows.h>

#include <cstring>

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

void CreateFolderPath(char* folder) {
  if (!folder || std::strlen(folder) < 4) return;
  if (FolderExists(folder)) return;
  char* backslash = std::strrchr(folder, '\\');
  if (!backslash) return;
  *backslash = '\0';
  CreateFolderPath(folder);
  *backslash = '\\';
  CreateDirectoryA(folder, nullptr);
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
