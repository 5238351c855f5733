#pragma once
#include <windows.h>

#include <cstddef>

// An installer usually starts from a folder anyone can write to, and a
// program named setup.exe gets extra DLLs loaded for it. So the only DLLs
// imported statically are ones Windows always takes from its own folder;
// the others are loaded here, by full path, from the system folder.

// Restricts the DLL search of the process to the system folder where the
// system offers that (looked up at run time: Windows 95 lacks it) and takes
// the current folder out of the search path.
void RestrictDllSearch();

// Loads a DLL from the system folder only, once per process; null when it
// is not there (or, with no memory left, cannot be recorded). The module
// stays loaded until the process ends.
HMODULE LoadSystemLibrary(const char* fileName);

// Looks up `name` in the system DLL `fileName`; null when either is missing.
template <typename Function>
Function GetSystemProc(const char* fileName, const char* name) {
  HMODULE module = LoadSystemLibrary(fileName);
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// An entry point that the program cannot do without.
struct SystemProc {
  const char* fileName;
  const char* name;
};

// Loads every DLL of `procs` and looks up each entry point; false at the
// first one missing. Run at start-up, so that a system lacking one is
// reported before anything is installed, rather than failing quietly later
// (a missing version library would make every file look unversioned).
bool LoadSystemProcs(const SystemProc* procs, std::size_t count);
