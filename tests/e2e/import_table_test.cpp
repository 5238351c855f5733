// Setup.exe may import statically only DLLs that Windows always maps from
// its own folder; everything else is loaded by full path at run time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

// The names in the import directory of a 32-bit PE file.
std::set<std::string> ImportedDlls(const std::string& image) {
  std::set<std::string> names;
  auto at = [&](std::size_t offset, std::size_t size) { return offset + size <= image.size(); };
  if (!at(0, sizeof(IMAGE_DOS_HEADER))) return names;
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  if (!at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS32))) return names;
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto sections = IMAGE_FIRST_SECTION(nt);
  auto fileOffset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return image.size();
  };
  for (std::size_t offset = fileOffset(directory.VirtualAddress); at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR));
       offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    auto descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offset);
    if (descriptor->Name == 0) break;
    std::string name(image.c_str() + fileOffset(descriptor->Name));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    names.insert(name);
  }
  return names;
}

TEST(ImportTable, HoldsOnlyDllsWindowsMapsFromItsOwnFolder) {
  const std::string image = testsupport::ReadFile(uiauto::PathBesideThisExecutable("Setup.exe"));
  const std::set<std::string> imported = ImportedDlls(image);
  ASSERT_TRUE(imported.count("kernel32.dll")) << "the import table was not read";
  // The shell and COM are loaded by path: their imports would resolve
  // before WinMain could keep the loader out of Setup.exe's folder.
  const std::set<std::string> known = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"};
  for (const std::string& name : imported) EXPECT_TRUE(known.count(name)) << name << " is imported statically";
}

}  // namespace

namespace {

// The manifest travels in Setup.exe itself (the test programs share the
// other resources but not this one).
TEST(Manifest, SetupExeAsksForNoRightsAndTheThemedControls) {
  const std::string path = uiauto::PathBesideThisExecutable("Setup.exe");
  HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  std::string manifest;
  if (HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    if (HGLOBAL loaded = LoadResource(image, found))
      manifest.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(image, found));
  }
  FreeLibrary(image);
  // Rights are asked for by the run that needs them (see scope_test.cpp).
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  // Windows 10's identity, so that the version check sees the real system.
  EXPECT_NE(manifest.find("8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"), std::string::npos);
}

}  // namespace
