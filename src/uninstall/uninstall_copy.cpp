#include "uninstall/uninstall_copy.h"

#include <windows.h>

#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/private_folder.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

const char kStarterVariable[] = "QWSETUP_UNINSTALL_STARTER";

}  // namespace

bool RunUninstallCopy(int& exitCode) {
  char self[kPathSize];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
  char folder[kPathSize];
  char copy[kPathSize];
  if (selfLength == 0 || selfLength >= sizeof self || !MakePrivateFolder("QWU", folder)) return false;
  if (FormatText(copy, sizeof copy, "%s\\Setup.exe", folder) < 0 || !CopyFileA(self, copy, TRUE)) {
    RemoveDirectoryA(folder);
    return false;
  }
  // A program's current folder cannot be removed while it runs: this one
  // waits elsewhere, so that the product's folder can go.
  char temp[kPathSize];
  const DWORD tempLength = GetTempPathA(sizeof temp, temp);
  if (tempLength > 0 && tempLength < sizeof temp) SetCurrentDirectoryA(temp);
  SetEnvironmentVariableA(kStarterVariable, self);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  const BOOL created =
      CreateProcessA(copy, GetCommandLineA(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &started);
  SetEnvironmentVariableA(kStarterVariable, nullptr);
  if (!created) {
    DeleteFileA(copy);
    RemoveDirectoryA(folder);
    return false;
  }
  KernelHandle process(started.hProcess);
  KernelHandle thread(started.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = EXIT_FAILED;
  GetExitCodeProcess(process.get(), &code);
  exitCode = static_cast<int>(code);
  // The copy has ended and goes now; this program, moved beside it by the
  // copy when it was the product's, goes with the folder at the restart.
  DeleteFileA(copy);
  if (!RemoveDirectoryA(folder)) MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

bool TakeUninstallCopyRole() {
  char starter[kPathSize];
  const DWORD length = GetEnvironmentVariableA(kStarterVariable, starter, sizeof starter);
  if (length == 0 || length >= sizeof starter) return false;
  // Programs this run starts are not copies.
  SetEnvironmentVariableA(kStarterVariable, nullptr);
  char self[kPathSize];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
  if (selfLength == 0 || selfLength >= sizeof self) return false;
  char* backslash = std::strrchr(self, '\\');
  if (!backslash) return false;
  *backslash = '\0';
  CopyText(g_copyFolder, sizeof g_copyFolder, self);
  CopyText(g_runningOriginal, sizeof g_runningOriginal, starter);
  return true;
}

void UseStarterFolder() {
  if (!g_runningOriginal[0] || g_commandPath[0]) return;
  CopyText(g_commandPath, sizeof g_commandPath, g_runningOriginal);
  if (char* backslash = std::strrchr(g_commandPath, '\\')) *backslash = '\0';
}
