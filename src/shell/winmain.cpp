#include <windows.h>

#include "onefile/one_file_set.h"
#include "platform/com_ptr.h"
#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"
#include "resources/resource_ids.h"
#include "session/code_page_check.h"
#include "session/command_line.h"
#include "session/rights.h"
#include "session/run_switches.h"
#include "shell/main_window.h"
#include "uninstall/uninstall_copy.h"

namespace {

// The code deployment tools know for a command line they did not mean.
constexpr int kExitBadCommandLine = 1639;

bool SystemIsTooOld() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 148: the ANSI record
  if (!GetVersionExA(&version)) return false;
  return version.dwMajorVersion < 4;
}

// comctl32 is not a DLL Windows always maps from its own folder, so it is
// taken from the system folder by full path, never from beside Setup.exe.
void InitCommonControlsFromSystem() {
  using InitFn = void(WINAPI*)();
  if (auto init = GetSystemProc<InitFn>("comctl32.dll", "InitCommonControls")) init();
}

// The platform's own DLLs load these by name as they go (themed drawing,
// the shell, COM, the folder browser). A name already loaded is answered
// with the loaded module, so each is loaded first from the system folder,
// before a window can ask for one; a DLL planted beside Setup.exe under
// such a name is then never looked at. Those a system lacks are skipped.
const char* const kLoadedFirst[] = {
    "uxtheme.dll", "msimg32.dll",  "dwmapi.dll",  "version.dll",  "shcore.dll",   "shlwapi.dll", "comctl32.dll",
    "ole32.dll",   "oleaut32.dll", "shell32.dll", "propsys.dll",  "cryptbase.dll", "cryptsp.dll", "profapi.dll",
    "userenv.dll", "wldp.dll",     "sspicli.dll", "oleacc.dll",   "clbcatq.dll",  "apphelp.dll", "netapi32.dll",
    "winmm.dll",   "rpcrt4.dll",   "combase.dll", "imm32.dll",    "comdlg32.dll", "msctf.dll",   "windowscodecs.dll",
};

// What the wizard, the version check, the LZ expansion, the folder
// browser, the completion's launch and the shortcuts call.
const SystemProc kRequiredProcs[] = {
    {"comctl32.dll", "InitCommonControls"},
    {"comctl32.dll", "PropertySheetA"},
    {"version.dll", "GetFileVersionInfoSizeA"},
    {"version.dll", "GetFileVersionInfoA"},
    {"version.dll", "VerQueryValueA"},
    {"lz32.dll", "LZInit"},
    {"lz32.dll", "LZCopy"},
    {"lz32.dll", "LZClose"},
    {"shell32.dll", "SHGetMalloc"},
    {"shell32.dll", "SHGetSpecialFolderLocation"},
    {"shell32.dll", "SHBrowseForFolderA"},
    {"shell32.dll", "SHGetPathFromIDListA"},
    {"shell32.dll", "ShellExecuteExA"},
    {"ole32.dll", "CoInitialize"},
    {"ole32.dll", "CoUninitialize"},
    {"ole32.dll", "CoCreateInstance"},
};

// A short text in a message box, or the log alone when unattended.
void Refuse(const char* text) {
  LogEvent("%s", text);
  if (!g_silent) MessageBoxA(nullptr, text, "Setup", MB_ICONEXCLAMATION);
}

void LogStart(const char* commandLine) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  LogEvent("start: Setup.exe");
  LogEvent("command line: %s", commandLine ? commandLine : "");
  LogEvent("Windows %lu.%lu build %lu%s", version.dwMajorVersion, version.dwMinorVersion,
           version.dwBuildNumber & 0xFFFF, version.dwPlatformId == VER_PLATFORM_WIN32_NT ? " (NT)" : "");
}

int Finish(int exitCode) {
  LogEvent("end: exit code %d", exitCode);
  return exitCode;
}

int Run(HINSTANCE instance, LPSTR commandLine, const OneFileSet& oneFile, PayloadReader::Opened carried);

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  g_instance = instance;
  RestrictDllSearch();
  for (const char* name : kLoadedFirst) LoadSystemLibrary(name);

  const char* rest = commandLine;
  char logPath[kPathSize];
  char unknown[64];
  const bool switchesRead = TakeLeadingSwitches(rest, logPath, sizeof logPath, unknown, sizeof unknown);
  const bool parsed = switchesRead && ParseCommandLine(rest);
  const bool uninstallCopy = parsed && g_uninstallMode && TakeUninstallCopyRole();
  // A one-file program checks the set it carries before anything else is
  // done (a damaged download must not half install, nor ask for rights),
  // and the rights its run needs are those its own Setup.dat asks for.
  OneFileSet oneFile;
  PayloadReader::Opened carried = PayloadReader::Opened::None;
  if (parsed && !g_uninstallMode) {
    carried = oneFile.Open();
    if (carried == PayloadReader::Opened::Ready) CopyText(g_commandPath, sizeof g_commandPath, oneFile.folder());
  }
  // A run for every user that lacks the rights hands itself over to an
  // elevated one before it writes anything: before the uninstall's copy
  // too, which inherits the rights of the program that starts it.
  if (parsed && !uninstallCopy && !g_relaunched && carried != PayloadReader::Opened::Damaged &&
      !ProcessIsElevated() && RunNeedsMachineRights()) {
    if (logPath[0]) OpenRunLog(logPath, false);
    LogStart(commandLine);
    int exitCode = EXIT_FAILED;
    if (RunElevated(exitCode)) return Finish(exitCode);
    PauseRunLog();
  }
  // An uninstall hands its work to a copy of this program, so that the
  // product's folder, this program included, can go; the copy opens the
  // log and takes the single-instance lock itself.
  if (parsed && g_uninstallMode && !uninstallCopy) {
    int exitCode = EXIT_FAILED;
    if (RunUninstallCopy(exitCode)) return exitCode;
  }
  // One run at a time: two would install over each other's files. Asked
  // before the log is opened, so that a second run with the same "/LOG="
  // is told it is the second, and the first run's log is left alone.
  if (!TakeRunningLock()) {
    Refuse("Setup is already running.");
    return EXIT_ALREADY_RUNNING;
  }
  // Before the log too: its own path may be one that the code page changed.
  if (!ArgumentsFitCodePage(GetCommandLineW())) {
    Refuse(
        "The command line holds characters that this system's code page cannot represent: a folder named with "
        "them would become another folder. Use a name without them.");
    return kExitBadCommandLine;
  }
  if (logPath[0] && !OpenRunLog(logPath, g_relaunched)) {
    // Asked for a log that cannot be written: the run would go unrecorded.
    Refuse("The log file cannot be written.");
    return EXIT_FAILED;
  }
  LogStart(commandLine);
  if (!switchesRead) {
    char text[128];
    FormatText(text, sizeof text, "Unknown command-line switch: %s", unknown);
    Refuse(text);
    return Finish(kExitBadCommandLine);
  }
  return Finish(Run(instance, const_cast<LPSTR>(rest), oneFile, carried));
}

namespace {

int Run(HINSTANCE instance, LPSTR commandLine, const OneFileSet& oneFile, PayloadReader::Opened carried) {
  // A run that ends before it reaches its end was not finished by the user.
  g_exitCode = EXIT_CANCELLED;

  if (SystemIsTooOld()) {
    ShowStringMessage(nullptr, IDS_NEEDS_WIN95, MB_ICONHAND);
    return EXIT_FAILED;
  }

  if (!LoadSystemProcs(kRequiredProcs, sizeof kRequiredProcs / sizeof kRequiredProcs[0])) {
    ShowErrorReport(instance, SETUP_ERR_GENERAL);
    return EXIT_FAILED;
  }
  InitCommonControlsFromSystem();
  ComApartment com;

  g_uninstallMode = 0;
  if (!ParseCommandLine(commandLine)) {
    // A folder that does not fit a path names no Setup.dat we could read.
    ShowErrorReport(instance, SETUP_ERR_NO_SETUPDAT);
    return EXIT_FAILED;
  }
  UseStarterFolder();

  if (!g_uninstallMode) {
    switch (carried) {
      case PayloadReader::Opened::Damaged: {
        char text[256];
        LoadTableString(instance, IDS_PAYLOAD_DAMAGED, text, sizeof text);
        LogEvent("%s", text);
        if (!g_silent) MessageBoxA(nullptr, text, "Setup", MB_ICONHAND);
        return EXIT_FAILED;
      }
      case PayloadReader::Opened::Ready:
        CopyText(g_commandPath, sizeof g_commandPath, oneFile.folder());
        LogEvent("set: carried by this program, put out in %s", oneFile.folder());
        break;
      case PayloadReader::Opened::None:
        break;
    }
  }

  if (!RegisterMainWindowClass(instance)) return EXIT_FAILED;
  if (!CreateMainWindow(instance)) return EXIT_FAILED;

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return g_exitCode;
}

}  // namespace
