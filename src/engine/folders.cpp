#include "engine/folders.h"

#include <windows.h>

#include <cstring>

#include "shell/globals.h"
#include "shell/string_table.h"
#include "shell/unique_handle.h"

bool FolderHasEntries(const char* folder) {
  char pattern[kPathSize];
  if (!CopyText(pattern, sizeof pattern, folder) || !AppendText(pattern, sizeof pattern, "\\*.*")) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(FindFirstFileA(pattern, &entry));
  return search.valid();
}

void CreateFolderPath(char* folder) {
  if (!folder || std::strlen(folder) < 4) return;
  if (FolderHasEntries(folder)) return;
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
