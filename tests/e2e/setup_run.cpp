#include "e2e/setup_run.h"

#include "e2e/wizard_driver.h"

#include <gtest/gtest.h>

namespace e2e {

namespace {
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Setup.exe";
const char kDllOverrides[] = "Software\\Wine\\AppDefaults\\Setup.exe\\DllOverrides";
}  // namespace

InstallationSet::InstallationSet() { Copy("Setup.exe", "Setup.exe"); }

void InstallationSet::Write(const std::string& name, const std::string& content) const {
  testsupport::WriteFile(Join(name), content);
}

void InstallationSet::Copy(const std::string& fromBesideTests, const std::string& name) const {
  const std::string source = uiauto::PathBesideThisExecutable(fromBesideTests);
  if (!CopyFileA(source.c_str(), Join(name).c_str(), FALSE)) ADD_FAILURE() << "cannot copy " << source;
}

std::optional<uiauto::Process> InstallationSet::Start(const std::string& arguments) const {
  std::string commandLine = uiauto::QuoteArg(SetupExe());
  if (!arguments.empty()) commandLine += " " + arguments;
  auto process = uiauto::Process::Start(commandLine, folder());
  if (!process) ADD_FAILURE() << "cannot start Setup.exe: " << uiauto::LastError();
  return process;
}

uiauto::MessageBoxLog RunToEnd(const uiauto::Process& process,
                               const std::function<int(const uiauto::MessageBoxInfo&)>& chooseAnswer,
                               DWORD timeoutMs) {
  ProposalTaker user(process);
  return uiauto::CollectMessageBoxes(process, timeoutMs, chooseAnswer);
}

namespace {
std::string RegistryText(HKEY root, const char* key, const char* name) {
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return std::string();
  return value;
}
}  // namespace

std::string ShellFolder(const char* name) {
  return RegistryText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
}

std::string ProgramFiles() {
  return RegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
}

void CopyExampleSet(const InstallationSet& set) {
  const std::string staged = uiauto::PathBesideThisExecutable("example-set");
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((staged + "\\*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << staged;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    ASSERT_TRUE(CopyFileA((staged + "\\" + found.cFileName).c_str(), set.Join(found.cFileName).c_str(), FALSE));
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void WriteSelfSizedSetupDat(const InstallationSet& set, const std::string& text) {
  // Writing the size can change the size: until the two agree.
  std::size_t size = 0;
  for (int round = 0; round < 4; ++round) {
    std::string content = text;
    for (std::size_t at = content.find("@SELF@"); at != std::string::npos; at = content.find("@SELF@"))
      content.replace(at, 6, std::to_string(size));
    set.Write("Setup.dat", content);
    if (content.size() == size) return;
    size = content.size();
  }
  ADD_FAILURE() << "the size of Setup.dat does not settle";
}

std::optional<HWND> WaitForMainWindow(const uiauto::Process& process, DWORD timeoutMs) {
  uiauto::WindowFilter filter;
  filter.className = "QWSetupWindow";
  return uiauto::WaitForWindow(process, filter, timeoutMs);
}

std::string Report(const std::string& message) {
  return message + "\nPlease contact Veltrop Software. Installation will end";
}

EmulatedWindowsVersion::EmulatedWindowsVersion(const std::string& version) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot write the Wine version key";
    return;
  }
  if (version.empty())
    RegDeleteValueA(key, "Version");
  else
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
  RegCloseKey(key);
}

EmulatedWindowsVersion::~EmulatedWindowsVersion() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "Version");
    RegCloseKey(key);
  }
}

PreferNativeDlls::PreferNativeDlls(std::initializer_list<const char*> dlls) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kDllOverrides, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot write the Wine DLL overrides";
    return;
  }
  for (const char* dll : dlls)
    RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
  RegCloseKey(key);
}

PreferNativeDlls::~PreferNativeDlls() { RegDeleteKeyA(HKEY_CURRENT_USER, kDllOverrides); }

DisabledDlls::DisabledDlls(std::initializer_list<const char*> dlls) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kDllOverrides, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot write the Wine DLL overrides";
    return;
  }
  for (const char* dll : dlls) RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(key);
}

DisabledDlls::~DisabledDlls() { RegDeleteKeyA(HKEY_CURRENT_USER, kDllOverrides); }

}  // namespace e2e
