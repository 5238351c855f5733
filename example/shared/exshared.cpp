#include "exshared.h"

#include <windows.h>

#include <cstdio>

namespace {

HMODULE g_module = nullptr;

// Reads this DLL's own FileVersion from its version resource, the same
// text the installer compares before it replaces an installed copy.
bool OwnFileVersion(const char* path, char* version, size_t size) {
  DWORD ignored = 0;
  const DWORD infoSize = GetFileVersionInfoSizeA(path, &ignored);
  if (infoSize == 0) return false;
  HANDLE heap = GetProcessHeap();
  void* info = HeapAlloc(heap, 0, infoSize);
  if (!info) return false;
  bool found = false;
  char* text = nullptr;
  UINT length = 0;
  if (GetFileVersionInfoA(path, 0, infoSize, info) &&
      VerQueryValueA(info, "\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text), &length) &&
      length > 0) {
    lstrcpynA(version, text, static_cast<int>(size));
    found = true;
  }
  HeapFree(heap, 0, info);
  return found;
}

}  // namespace

extern "C" int ExSharedAboutText(char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  char path[MAX_PATH] = "";
  if (!GetModuleFileNameA(g_module, path, sizeof path)) lstrcpyA(path, "(unknown location)");
  char version[64] = "";
  if (!OwnFileVersion(path, version, sizeof version)) lstrcpyA(version, "(no version)");
  const int written = std::snprintf(buffer, static_cast<size_t>(size),
                                    "Example Editor 1.0\r\n"
                                    "A very small text editor.\r\n\r\n"
                                    "Shared library %s\r\n%s",
                                    version, path);
  if (written < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return written < size ? written : size - 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
