#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/system_library.h"

namespace {

// More DLLs than any fixed table of the past held: every one loads, from
// the system folder, and is kept once.
TEST(SystemLibrary, TheTableGrowsAsNeededAndKeepsEachDllOnce) {
  const char* names[] = {"version.dll", "lz32.dll",   "comctl32.dll", "uxtheme.dll",  "shlwapi.dll",
                         "comdlg32.dll", "winmm.dll", "ws2_32.dll",   "oleaut32.dll", "imm32.dll",
                         "setupapi.dll", "msacm32.dll"};
  char systemFolder[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(systemFolder, MAX_PATH), 0u);
  std::vector<HMODULE> modules;
  for (const char* name : names) {
    HMODULE module = LoadSystemLibrary(name);
    ASSERT_NE(module, nullptr) << name;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, lstrlenA(systemFolder), systemFolder, -1),
              CSTR_EQUAL)
        << path;
    modules.push_back(module);
  }
  for (std::size_t i = 0; i < modules.size(); ++i) {
    EXPECT_EQ(LoadSystemLibrary(names[i]), modules[i]) << names[i];
    // A name is a name whatever its case.
    std::string upper = names[i];
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(LoadSystemLibrary(upper.c_str()), modules[i]) << upper;
  }
  EXPECT_NE(GetSystemProc<FARPROC>("msacm32.dll", "acmGetVersion"), nullptr);
  EXPECT_EQ(LoadSystemLibrary("no-such-library.dll"), nullptr);
  EXPECT_EQ(GetSystemProc<FARPROC>("version.dll", "NoSuchEntryPoint"), nullptr);

  const SystemProc present[] = {{"version.dll", "VerQueryValueA"}, {"lz32.dll", "LZCopy"}};
  EXPECT_TRUE(LoadSystemProcs(present, 2));
  const SystemProc missing[] = {{"version.dll", "VerQueryValueA"}, {"no-such-library.dll", "Anything"}};
  EXPECT_FALSE(LoadSystemProcs(missing, 2));
}

}  // namespace
