#include "platform/private_folder.h"

#include "platform/format_text.h"
#include "platform/unique_handle.h"

namespace {

// A name nobody can have guessed: whatever is guessed, the folder must be
// new, or another name is tried.
DWORD RandomNumber(DWORD round) {
  LARGE_INTEGER counter = {};
  QueryPerformanceCounter(&counter);
  DWORD mixed = counter.LowPart ^ (GetTickCount() << 7) ^ (GetCurrentProcessId() << 16) ^ (round * 0x9E3779B9u);
  mixed ^= mixed >> 15;
  mixed *= 0x2C1B3C6Du;
  mixed ^= mixed >> 12;
  return mixed;
}

}  // namespace

bool MakePrivateFolder(const char* prefix, char (&folder)[kPathSize]) {
  char temp[kPathSize];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp - 16) return false;
  for (DWORD round = 0; round < 100; ++round) {
    if (FormatText(folder, sizeof folder, "%s%s%08lx.tmp", temp, prefix,
                   static_cast<unsigned long>(RandomNumber(round))) < 0)
      return false;
    if (CreateDirectoryA(folder, nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool RemoveFolderTree(const char* folder) {
  char pattern[kPathSize];
  if (FormatText(pattern, sizeof pattern, "%s\\*", folder) < 0) return false;
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA(pattern, &found));
  if (find) {
    do {
      if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0) continue;
      char path[kPathSize];
      if (FormatText(path, sizeof path, "%s\\%s", folder, found.cFileName) < 0) continue;
      // A link or junction is removed as itself, never followed.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveFolderTree(path);
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(path);
      } else {
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path);
      }
    } while (FindNextFileA(find.get(), &found));
  }
  find.reset();
  return RemoveDirectoryA(folder) != FALSE;
}
