#include "platform/system_library.h"

#include <cstring>

#include "platform/unique_handle.h"

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

struct CachedLibrary {
  char name[32];
  LibraryHandle module;
};

// A handful of DLLs at most; kept for the life of the process.
CachedLibrary g_libraries[8];

}  // namespace

void RestrictDllSearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault) setDefault(kSearchSystem32);
  auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDirectory) setDirectory("");
}

HMODULE LoadSystemLibrary(const char* fileName) {
  CachedLibrary* freeSlot = nullptr;
  for (CachedLibrary& entry : g_libraries) {
    if (entry.module && lstrcmpiA(entry.name, fileName) == 0) return entry.module.get();
    if (!entry.module && !freeSlot) freeSlot = &entry;
  }
  const std::size_t nameLength = std::strlen(fileName);
  if (!freeSlot || nameLength >= sizeof(freeSlot->name)) return nullptr;

  char path[MAX_PATH];
  const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
  if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) return nullptr;
  path[folderLength] = '\\';
  std::memcpy(path + folderLength + 1, fileName, nameLength + 1);

  // With a full path the loader looks nowhere else for the DLL itself; the
  // altered search path makes its own dependencies come from its folder.
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return nullptr;
  std::memcpy(freeSlot->name, fileName, nameLength + 1);
  freeSlot->module.reset(module);
  return module;
}
