#include <windows.h>

#include "resources/resource_ids.h"
#include "platform/com_ptr.h"
#include "shell/command_line.h"
#include "platform/error_report.h"
#include "platform/globals.h"
#include "shell/main_window.h"
#include "platform/system_library.h"

namespace {

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

// What the wizard, the version check and the LZ expansion call.
const SystemProc kRequiredProcs[] = {
    {"comctl32.dll", "InitCommonControls"},    {"comctl32.dll", "PropertySheetA"},
    {"version.dll", "GetFileVersionInfoSizeA"}, {"version.dll", "GetFileVersionInfoA"},
    {"version.dll", "VerQueryValueA"},          {"lz32.dll", "LZInit"},
    {"lz32.dll", "LZCopy"},                     {"lz32.dll", "LZClose"},
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  g_instance = instance;
  RestrictDllSearch();

  if (SystemIsTooOld()) {
    ShowStringMessage(nullptr, IDS_NEEDS_WIN95, MB_ICONHAND);
    return 0;
  }

  // The themed common controls load uxtheme.dll by name; having the
  // system's copy loaded first leaves a planted one nothing to answer.
  LoadSystemLibrary("uxtheme.dll");
  if (!LoadSystemProcs(kRequiredProcs, sizeof kRequiredProcs / sizeof kRequiredProcs[0])) {
    ShowErrorReport(instance, SETUP_ERR_GENERAL);
    return 0;
  }
  InitCommonControlsFromSystem();
  ComApartment com;

  g_uninstallMode = 0;
  if (!ParseCommandLine(commandLine)) {
    // A folder that does not fit a path names no Setup.dat we could read.
    ShowErrorReport(instance, SETUP_ERR_NO_SETUPDAT);
    return 0;
  }

  if (!RegisterMainWindowClass(instance)) return 0;
  if (!CreateMainWindow(instance)) return 0;

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
