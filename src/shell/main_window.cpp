#include "shell/main_window.h"

#include <new>

#include "engine/install_pass.h"
#include "engine/progress_window.h"
#include "engine/restart.h"
#include "resources/resource_ids.h"
#include "platform/error_report.h"
#include "platform/globals.h"
#include "shell/setup_session.h"
#include "platform/unique_handle.h"
#include "uninstall/removal.h"
#include "wizard/wizard.h"

namespace {

const char kClassName[] = "QWSetupWindow";

SetupSession* SessionOf(HWND window) { return reinterpret_cast<SetupSession*>(GetWindowLongPtrA(window, 0)); }

void Post(HWND window, UINT message) { PostMessageA(window, message, 0, 0); }

void EndRun(HWND window) { DestroyWindow(window); }

void Tell(HWND window, UINT stringId) { ShowStringMessage(window, stringId, MB_ICONEXCLAMATION); }

// Asks again while the application to be replaced is still running; true
// when the user gave up instead.
bool RunningApplicationCancelled(SetupSession& session) {
  int cancelled = 0;
  while (CheckRunningApplication(session, cancelled)) {
  }
  return cancelled != 0;
}

void OnLoad(HWND window, SetupSession& session) {
  if (!session.LoadSetupInfo()) return EndRun(window);
  InvalidateRect(window, nullptr, TRUE);
  Post(window, g_uninstallMode ? WM_SETUP_CONFIRMREMOVE : WM_SETUP_WIZARD);
}

void OnWizard(HWND window, SetupSession& session) {
  if (RunningApplicationCancelled(session)) return EndRun(window);
  if (!ShowLicense(session)) return EndRun(window);
  if (!RunWizard(session)) return EndRun(window);
  Post(window, WM_SETUP_EXPAND);
}

void OnExpand(HWND window, SetupSession& session) {
  if (!ExpandItems(session)) return EndRun(window);
  Post(window, g_uninstallMode ? WM_SETUP_REMOVE : WM_SETUP_INSTALL);
}

void OnConfirmRemove(HWND window, SetupSession& session) {
  int confirmed = 0;
  if (!ConfirmRemoval(session, confirmed)) return EndRun(window);
  if (!confirmed) {
    Tell(window, IDS_UNINSTALL_CANCELLED);
    return EndRun(window);
  }
  Post(window, WM_SETUP_EXPAND);
}

void OnInstall(HWND window, SetupSession& session) {
  HWND progress = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_PROGRESS), window, ProgressDlgProc,
                                     reinterpret_cast<LPARAM>(&session));
  if (!progress) return;
  bool installed = false;
  {
    WindowHandle progressWindow(progress);
    installed = RunInstall(session, progress) != 0;
  }
  session.progressWindow = nullptr;
  if (installed) {
    ShowCompletion(session);
  } else {
    Tell(window, IDS_INSTALL_FAILED);
    RunRollback(session);
  }
  EndRun(window);
}

void OnRemove(HWND window, SetupSession& session) {
  if (RunningApplicationCancelled(session)) return EndRun(window);
  // Posted steps come before paint messages: the backdrop still shows the
  // confirmation until it is painted here, as the pass pumps no messages.
  UpdateWindow(window);
  HWND removal = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_REMOVAL), window, RemovalDlgProc,
                                    reinterpret_cast<LPARAM>(&session));
  if (!removal) return;
  bool removed = false;
  {
    WindowHandle removalWindow(removal);
    removed = RunRemove(session, removal);
  }
  session.progressWindow = nullptr;
  if (removed) {
    Tell(window, IDS_UNINSTALL_DONE);
    OfferRestart(session, window);
  } else {
    Tell(window, IDS_UNINSTALL_FAILED);
  }
  EndRun(window);
}

LRESULT OnCreate(HWND window) {
  SetupSession* session = new (std::nothrow) SetupSession(g_instance, window, g_commandPath);
  if (!session) return -1;
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(session));
  // The failure to gather the system's folders has been reported; the run
  // ends here, before any step, as the window creation fails.
  if (!session->started()) return -1;
  Post(window, WM_SETUP_LOAD);
  return 0;
}

void OnDestroy(HWND window) {
  delete SessionOf(window);
  SetWindowLongPtrA(window, 0, 0);
  PostQuitMessage(0);
}

// Runs one step. Errors thrown out of a step are reported and end the run:
// no exception may unwind through the system's window procedure frames.
void RunStep(HWND window, UINT message, SetupSession& session) {
  try {
    switch (message) {
      case WM_SETUP_LOAD:
        return OnLoad(window, session);
      case WM_SETUP_WIZARD:
        return OnWizard(window, session);
      case WM_SETUP_EXPAND:
        return OnExpand(window, session);
      case WM_SETUP_CONFIRMREMOVE:
        return OnConfirmRemove(window, session);
      case WM_SETUP_INSTALL:
        return OnInstall(window, session);
      case WM_SETUP_REMOVE:
        return OnRemove(window, session);
    }
  } catch (SetupError& code) {
    session.ReportError(code);
    EndRun(window);
  } catch (std::bad_alloc&) {
    session.ReportError(SETUP_ERR_NO_MEMORY);
    EndRun(window);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = kClassName;
  return RegisterClassA(&windowClass) != 0;
}

bool CreateMainWindow(HINSTANCE instance) {
  HWND window = CreateWindowExA(0, kClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  ShowWindow(window, SW_SHOWMAXIMIZED);
  UpdateWindow(window);
  return true;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_CLOSE:
      // Closing frees the session; under a running pass (a file question
      // may be up) that would pull the run's state from under it.
      if (SetupSession* session = SessionOf(window)) {
        if (session->passRunning) return 0;
      }
      break;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (SetupSession* session = SessionOf(window)) session->PaintTitle(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      if (SetupSession* session = SessionOf(window)) session->PaintBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SETUP_LOAD:
    case WM_SETUP_WIZARD:
    case WM_SETUP_EXPAND:
    case WM_SETUP_CONFIRMREMOVE:
    case WM_SETUP_INSTALL:
    case WM_SETUP_REMOVE:
      if (SetupSession* session = SessionOf(window)) RunStep(window, message, *session);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
