#include "engine/restart.h"

#include "engine/restart_pending.h"
#include "engine/restart_wininit.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "session/setup_session.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"

namespace {

bool IsNulTarget(const char* target) { return lstrcmpiA(target, "NUL") == 0; }

// The short (8.3) form of an existing path; Windows 95 reads WININIT.INI
// before long names are available.
bool ShortPath(const char* path, char (&shortPath)[MAX_PATH]) {
  const DWORD length = GetShortPathNameA(path, shortPath, MAX_PATH);
  return length > 0 && length < MAX_PATH;
}

// The line of WININIT.INI for an operation, and where the file is. A long
// path in WININIT.INI would not be understood, so without short forms
// there is no line.
struct WininitLine {
  char iniPath[MAX_PATH];
  char shortTarget[MAX_PATH];
  char shortSource[MAX_PATH];

  bool Make(const char* newFile, const char* target) {
    if (!ShortPath(newFile, shortSource)) return false;
    if (IsNulTarget(target)) {
      CopyText(shortTarget, sizeof(shortTarget), "NUL");
    } else if (!ShortPath(target, shortTarget)) {
      return false;
    }
    const UINT length = GetWindowsDirectoryA(iniPath, sizeof(iniPath));
    if (length == 0 || length >= sizeof(iniPath)) return false;
    return AppendText(iniPath, sizeof(iniPath), "\\WININIT.INI");
  }
};

bool ReplaceThroughWininit(const char* newFile, const char* target) {
  WininitLine line;
  return line.Make(newFile, target) && AddWininitRename(line.iniPath, line.shortTarget, line.shortSource);
}

bool EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  KernelHandle owned(token);
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return AdjustTokenPrivileges(owned.get(), FALSE, &privileges, 0, nullptr, nullptr) != 0;
}

}  // namespace

BOOL IsWindowsNT() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return FALSE;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

BOOL ReplaceAtRestart(SetupSession& session, const char* newFile, const char* target) {
  if (IsWindowsNT()) {
    // Without MOVEFILE_REPLACE_EXISTING the pending rename onto a file that
    // still exists at the restart fails, and the old file stays.
    const BOOL recorded = IsNulTarget(target)
                              ? MoveFileExA(newFile, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)
                              : MoveFileExA(newFile, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
    LogEvent("at the restart: %s -> %s%s", newFile, target, recorded ? "" : " (refused)");
    if (!recorded) return FALSE;
    session.restartNeeded = 1;
    return TRUE;
  }
  if (!ReplaceThroughWininit(newFile, target)) {
    LogEvent("at the restart: %s -> %s (WININIT.INI refused)", newFile, target);
    return FALSE;
  }
  LogEvent("at the restart: %s -> %s (WININIT.INI)", newFile, target);
  session.restartNeeded = 1;
  return TRUE;
}

bool DeleteAtRestart(SetupSession& session, const char* file) {
  return ReplaceAtRestart(session, file, "NUL") != FALSE;
}

bool CancelAtRestart(const char* newFile, const char* target) {
  LogEvent("rollback: no longer at the restart: %s -> %s", newFile, target);
  if (IsWindowsNT()) return RemovePendingRename(newFile, target);
  WininitLine line;
  return line.Make(newFile, target) && RemoveWininitRename(line.iniPath, line.shortTarget, line.shortSource);
}

void OfferRestart(SetupSession& session, HWND owner) {
  if (!session.restartNeeded) return;
  // An unattended run never restarts the machine: its exit code says that
  // a restart is due.
  if (g_silent) return;
  char question[256];
  if (!LoadTableString(session.instance, IDS_RESTART_QUESTION, question, sizeof(question))) return;
  if (MessageBoxA(owner, question, "Setup Wizard", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (IsWindowsNT() && !EnableShutdownPrivilege()) return;
  // The run goes on and ends normally while the system shuts down.
  ExitWindowsEx(EWX_REBOOT, 0);
}
