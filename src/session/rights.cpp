#include "session/rights.h"

#include <windows.h>

#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/shell_calls.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

const char kRunningMutex[] = "QWSetupRunning";

KernelHandle& RunningLock() {
  static KernelHandle lock;
  return lock;
}

// The Setup.dat the run reads: in the folder of the command line, else
// beside the program.
bool SetupDatOfRun(char (&path)[kPathSize]) {
  if (g_commandPath[0]) {
    if (!CopyText(path, sizeof path, g_commandPath)) return false;
  } else {
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    char* backslash = std::strrchr(path, '\\');
    if (backslash) *backslash = '\0';
  }
  const std::size_t length = std::strlen(path);
  if (length > 0 && path[length - 1] == '\\') path[length - 1] = '\0';
  return AppendText(path, sizeof path, "\\Setup.dat");
}

}  // namespace

bool TakeRunningLock() {
  RunningLock().reset(CreateMutexA(nullptr, FALSE, kRunningMutex));
  return !(RunningLock() && GetLastError() == ERROR_ALREADY_EXISTS);
}

void ReleaseRunningLock() { RunningLock().reset(); }

bool ProcessIsElevated() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return true;
  KernelHandle token(opened);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  // Systems without elevation know no such class: every run has its rights.
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return true;
  return elevation.TokenIsElevated != 0;
}

bool ProductRecordedForUser(const char* folder) {
  char path[kPathSize];
  if (!CopyText(path, sizeof path, folder) || !AppendText(path, sizeof path, "\\Install.log")) return false;
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  // Read a piece at a time, each piece after the tail of the one before,
  // so that a line cut between two pieces is still found.
  static const char kEntry[] = "\tHKCU\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  constexpr DWORD kTail = sizeof kEntry - 1;
  char text[4096 + 1];
  DWORD kept = 0;
  DWORD read = 0;
  while (ReadFile(file.get(), text + kept, sizeof text - 1 - kept, &read, nullptr) && read > 0) {
    const DWORD size = kept + read;
    text[size] = '\0';
    if (std::strstr(text, kEntry)) return true;
    kept = size < kTail ? size : kTail;
    std::memmove(text, text + size - kept, kept);
  }
  return false;
}

bool RunNeedsMachineRights() {
  char path[kPathSize];
  if (!SetupDatOfRun(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
  char scope[16] = "";
  GetPrivateProfileStringA("Setup", "Scope", "", scope, sizeof scope, path);
  if (lstrcmpiA(scope, "user") == 0) return false;
  if (lstrcmpiA(scope, "choose") == 0) {
    if (!g_uninstallMode) return false;
    path[std::strlen(path) - 10] = '\0';  // the folder again, without "\Setup.dat"
    return !ProductRecordedForUser(path);
  }
  return true;
}

bool RunElevated(int& exitCode) {
  // What follows the program's own name, as WinMain is given it.
  const char* arguments = GetCommandLineA();
  const char end = *arguments == '"' ? '"' : ' ';
  if (*arguments == '"') ++arguments;
  while (*arguments && *arguments != end) ++arguments;
  if (*arguments == '"') ++arguments;
  while (*arguments == ' ' || *arguments == '\t') ++arguments;
  char self[kPathSize];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
  char parameters[1024 + 16];
  if (selfLength == 0 || selfLength >= sizeof self ||
      FormatText(parameters, sizeof parameters, "/ELEVATED %s", arguments) < 0)
    return false;
  LogEvent("administrator rights needed: starting again elevated");
  // The elevated run appends to the same log; the lock is its to take.
  PauseRunLog();
  const bool locked = RunningLock().valid();
  ReleaseRunningLock();
  char folder[kPathSize];
  const DWORD folderLength = GetCurrentDirectoryA(sizeof folder, folder);
  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "runas";
  execute.lpFile = self;
  execute.lpParameters = parameters;
  execute.lpDirectory = folderLength > 0 && folderLength < sizeof folder ? folder : nullptr;
  execute.nShow = SW_SHOWNORMAL;
  const BOOL started = systemdll::ShellExecuteExA(&execute);
  const DWORD error = started ? 0 : GetLastError();
  KernelHandle process(started ? execute.hProcess : nullptr);
  if (process) WaitForSingleObject(process.get(), INFINITE);
  ResumeRunLog();
  if (!process) {
    if (error != ERROR_CANCELLED) {
      LogFailure("the elevated run could not be started", self, error);
      // The run goes on as it is, unless another took the lock meanwhile.
      if (!locked || TakeRunningLock()) return false;
      exitCode = EXIT_ALREADY_RUNNING;
      return true;
    }
    LogEvent("administrator rights were refused");
    if (!g_silent)
      MessageBoxA(nullptr, "Setup needs administrator rights for a program of every user of this computer, and they were "
                  "refused.", "Setup", MB_ICONEXCLAMATION);
    exitCode = EXIT_CANCELLED;
    return true;
  }
  DWORD code = EXIT_FAILED;
  GetExitCodeProcess(process.get(), &code);
  LogEvent("the elevated run ended with exit code %lu", static_cast<unsigned long>(code));
  exitCode = static_cast<int>(code);
  return true;
}
