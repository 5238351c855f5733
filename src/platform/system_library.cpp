#include "platform/system_library.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

struct CachedLibrary {
  std::string name;
  LibraryHandle module;
};

// Every DLL loaded so far, kept for the life of the process. The table
// grows as needed: a full table must never pass for a missing DLL.
std::vector<CachedLibrary>& Libraries() {
  static std::vector<CachedLibrary> libraries;
  return libraries;
}

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
  std::vector<CachedLibrary>& libraries = Libraries();
  for (const CachedLibrary& entry : libraries) {
    if (lstrcmpiA(entry.name.c_str(), fileName) == 0) return entry.module.get();
  }

  char path[MAX_PATH];
  const std::size_t nameLength = std::strlen(fileName);
  const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
  if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) return nullptr;
  path[folderLength] = '\\';
  std::memcpy(path + folderLength + 1, fileName, nameLength + 1);

  // With a full path the loader looks nowhere else for the DLL itself; the
  // altered search path makes its own dependencies come from its folder.
  LibraryHandle module(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) return nullptr;
  try {
    libraries.push_back(CachedLibrary{fileName, std::move(module)});
  } catch (std::bad_alloc&) {
    return nullptr;  // the module is freed again: nothing keeps it
  }
  return libraries.back().module.get();
}

bool LoadSystemProcs(const SystemProc* procs, std::size_t count) {
  for (std::size_t index = 0; index < count; ++index) {
    HMODULE module = LoadSystemLibrary(procs[index].fileName);
    if (!module || !GetProcAddress(module, procs[index].name)) return false;
  }
  return true;
}
