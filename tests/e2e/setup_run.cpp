#include "e2e/setup_run.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <vector>

#include "e2e/wizard_driver.h"
#include "platform/globals.h"
#include "platform/unique_handle.h"
#include "session/command_line.h"
#include "session/run_switches.h"

namespace e2e {

namespace {
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Setup.exe";
const char kDllOverrides[] = "Software\\Wine\\AppDefaults\\Setup.exe\\DllOverrides";
const DWORD kKitTimeoutMs = 180000;

// The set folder that a run of Setup.exe with `arguments` installs from,
// read by Setup.exe's own command-line readers: the switches of unattended
// runs, then a folder that stands for the set's own. Nothing for an
// uninstall, or for a command line that ends the run before it installs.
std::optional<std::string> InstalledSet(const std::string& arguments, const std::string& own) {
  const char* rest = arguments.c_str();
  char log[kPathSize];
  char unknown[kPathSize];
  if (!TakeLeadingSwitches(rest, log, sizeof log, unknown, sizeof unknown)) return std::nullopt;
  g_uninstallMode = 0;
  if (!ParseCommandLine(rest) || g_uninstallMode) return std::nullopt;
  return g_commandPath[0] ? std::string(g_commandPath) : own;
}

}  // namespace

KitRun RunCaptured(const std::string& commandLine) {
  KitRun run;
  testsupport::TempFolder scratch;
  const std::string printed = scratch.Join("printed.txt");
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  uiauto::UniqueHandle output(CreateFileA(printed.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) {
    run.output = "cannot create " + printed;
    return run;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &started)) {
    run.output = "cannot start " + commandLine;
    return run;
  }
  const uiauto::UniqueHandle process(started.hProcess);
  const uiauto::UniqueHandle thread(started.hThread);
  output.reset();  // the kit has its own copy
  if (WaitForSingleObject(process.get(), kKitTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
    run.output = commandLine + " did not end within " + std::to_string(kKitTimeoutMs) + " ms\n";
  }
  if (!GetExitCodeProcess(process.get(), &run.exitCode)) run.exitCode = 0xFFFFFFFF;
  run.output += testsupport::ReadFile(printed);
  return run;
}

KitRun RunKit(const std::string& arguments) {
  return RunCaptured(uiauto::QuoteArg(uiauto::PathBesideThisExecutable("setupkit.exe")) + " " + arguments);
}

InstallationSet::InstallationSet() { Copy("Setup.exe", "Setup.exe"); }

InstallationSet::~InstallationSet() { CheckEndedRuns(); }

void InstallationSet::Write(const std::string& name, const std::string& content) const {
  CheckEndedRuns();
  testsupport::WriteFile(Join(name), content);
}

void InstallationSet::Copy(const std::string& fromBesideTests, const std::string& name) const {
  CheckEndedRuns();
  const std::string source = uiauto::PathBesideThisExecutable(fromBesideTests);
  if (!CopyFileA(source.c_str(), Join(name).c_str(), FALSE)) ADD_FAILURE() << "cannot copy " << source;
}

std::optional<uiauto::Process> InstallationSet::Start(const std::string& arguments) const {
  CheckEndedRuns();
  std::string commandLine = uiauto::QuoteArg(SetupExe());
  if (!arguments.empty()) commandLine += " " + arguments;
  auto process = uiauto::Process::Start(commandLine, folder());
  if (!process) {
    ADD_FAILURE() << "cannot start Setup.exe: " << uiauto::LastError();
  } else if (std::optional<std::string> set = InstalledSet(arguments, folder())) {
    HANDLE own = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), process->NativeHandle(), GetCurrentProcess(), &own, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
      runs_.push_back(Run{uiauto::UniqueHandle(own), *set});
    else
      ADD_FAILURE() << "cannot follow the run of Setup.exe to its end";
  }
  return process;
}

void InstallationSet::CheckEndedRuns() const {
  for (auto run = runs_.begin(); run != runs_.end();) {
    if (WaitForSingleObject(run->process.get(), 0) == WAIT_TIMEOUT) {
      ++run;
      continue;
    }
    DWORD exitCode = 0;
    if (GetExitCodeProcess(run->process.get(), &exitCode) && (exitCode == 0 || exitCode == 3010)) {
      const KitRun kit = RunKit("check " + uiauto::QuoteArg(run->set));
      EXPECT_EQ(kit.exitCode, 0u) << "setupkit check refuses a set that Setup.exe installed (exit code " << exitCode
                                  << "), " << run->set << ":\n"
                                  << kit.output << "Setup.dat:\n"
                                  << testsupport::ReadFile(run->set + "\\Setup.dat");
    }
    run = runs_.erase(run);
  }
}

uiauto::MessageBoxLog RunToEnd(const uiauto::Process& process,
                               const std::function<int(const uiauto::MessageBoxInfo&)>& chooseAnswer, DWORD timeoutMs) {
  ProposalTaker user(process);
  return uiauto::CollectMessageBoxes(process, timeoutMs, chooseAnswer);
}

namespace {
std::string StoredText(HKEY root, const char* key, const char* name) {
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return std::string();
  return value;
}
}  // namespace

std::string ShellFolder(const char* name) {
  return StoredText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
}

std::string AllUsersFolder(const char* name) {
  const std::string which = name;
  const int folder = which == "Programs"  ? CSIDL_COMMON_PROGRAMS
                     : which == "Startup" ? CSIDL_COMMON_STARTUP
                                          : CSIDL_COMMON_DESKTOPDIRECTORY;
  char path[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) return "<unknown>";
  return path;
}

std::string ProgramFiles() {
  return StoredText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
}

void CopyExampleSet(const InstallationSet& set) {
  const std::string staged = uiauto::PathBesideThisExecutable("example-set");
  WIN32_FIND_DATAA found;
  const FindHandle find(FindFirstFileA((staged + "\\*").c_str(), &found));
  ASSERT_TRUE(find) << staged;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    set.Copy(std::string("example-set\\") + found.cFileName, found.cFileName);
  } while (FindNextFileA(find.get(), &found));
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

PreferNativeDlls::PreferNativeDlls(const char* const* first, const char* const* last) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kDllOverrides, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot write the Wine DLL overrides";
    return;
  }
  for (const char* const* dll = first; dll != last; ++dll)
    RegSetValueExA(key, *dll, 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
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

namespace e2e {

std::string RegistryText(HKEY root, const std::string& key, const char* name) {
  char value[512] = {};
  DWORD size = sizeof value - 1;
  if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return "<absent>";
  return value;
}

long SharedCount(const std::string& path) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", path.c_str(),
                   RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return -100;
  return static_cast<long>(value);
}

std::string SystemFolder() {
  char folder[MAX_PATH] = "";
  GetSystemDirectoryA(folder, MAX_PATH);
  return folder;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

DWORD RunToExit(const InstallationSet& set, const std::string& arguments, DWORD timeoutMs) {
  auto process = set.Start(arguments);
  if (!process || !process->WaitForExit(timeoutMs)) return 0xFFFFFFFF;
  return process->ExitCode().value_or(0xFFFFFFFF);
}

}  // namespace e2e
