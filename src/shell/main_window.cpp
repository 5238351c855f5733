#include "shell/main_window.h"

#include <new>
#include <string>

#include "engine/install_pass.h"
#include "engine/pass_messages.h"
#include "engine/progress_window.h"
#include "engine/restart.h"
#include "platform/error_report.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "platform/unique_handle.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "session/journal.h"
#include "session/rights.h"
#include "uninstall/install_record.h"
#include "uninstall/recovery.h"
#include "uninstall/removal.h"
#include "wizard/wizard.h"

namespace {

const char kClassName[] = "QWSetupWindow";

// The installation folder, variable 0.
void InstallationFolder(const SetupSession& session, char (&text)[kPathSize]) {
  text[0] = '\0';
  if (const Variable* variable = session.variables->FindKey('0')) variable->GetValue(text, kPathSize - 1);
}

SetupSession* SessionOf(HWND window) { return reinterpret_cast<SetupSession*>(GetWindowLongPtrA(window, 0)); }

void Post(HWND window, UINT message) { PostMessageA(window, message, 0, 0); }

// Steps under way. A step's modal loops, and the message pump of its
// passes, still deliver WM_CLOSE to the disabled main window (Task
// Manager's End task, a script's polite kill). The count lives here, not in
// the session, which a step may end.
int g_stepsRunning = 0;

// Step messages that arrived while a step ran, one bit each from
// WM_SETUP_LOAD on: each starts only once the step under way has ended,
// in the order of the steps.
UINT g_stepsWaiting = 0;

class StepRunning {
public:
  explicit StepRunning(HWND window) : window_(window) { ++g_stepsRunning; }
  ~StepRunning() {
    if (--g_stepsRunning > 0 || !g_stepsWaiting) return;
    const UINT waiting = g_stepsWaiting;
    g_stepsWaiting = 0;
    // A step that ended the run has destroyed the window: nothing waits.
    for (UINT message = WM_SETUP_LOAD; message <= WM_SETUP_REMOVE; ++message)
      if (waiting & (1u << (message - WM_SETUP_LOAD)) && IsWindow(window_)) Post(window_, message);
  }
  StepRunning(const StepRunning&) = delete;
  StepRunning& operator=(const StepRunning&) = delete;

private:
  HWND window_;
};

// Ends the run with the exit code it earned.
void EndRun(HWND window, int exitCode) {
  g_exitCode = exitCode;
  DestroyWindow(window);
}

// A finished run: a restart still to come is part of its result.
int DoneCode(const SetupSession& session) { return session.restartNeeded ? EXIT_RESTART_NEEDED : EXIT_DONE; }

void Tell(HWND window, UINT stringId) { ShowStringMessage(window, stringId, MB_ICONEXCLAMATION); }

// Asks again while the application to be replaced is still running; true
// when the user gave up instead. Unattended, nobody can close it: a
// running application ends the run.
bool RunningApplicationStops(SetupSession& session) {
  if (g_silent) {
    if (!ApplicationStillRunning(session)) return false;
    LogEvent("the application to be replaced is running: the run ends");
    return true;
  }
  int cancelled = 0;
  while (CheckRunningApplication(session, cancelled)) {
  }
  return cancelled != 0;
}

void OnLoad(HWND window, SetupSession& session) {
  LogEvent("step: load Setup.dat");
  RecoverInterruptedRun(session);
  if (!session.LoadSetupInfo()) return EndRun(window, EXIT_FAILED);
  if (g_folderSwitch[0] && !g_uninstallMode) session.variables->Set('0', g_folderSwitch);
  if (!g_uninstallMode) FindInstalledProduct(session);
  LogEvent("Setup.dat: %s", session.setupDatPath.get());
  InvalidateRect(window, nullptr, TRUE);
  Post(window, g_uninstallMode ? WM_SETUP_CONFIRMREMOVE : WM_SETUP_WIZARD);
}

void OnWizard(HWND window, SetupSession& session) {
  LogEvent("step: checks and wizard");
  if (RunningApplicationStops(session)) return EndRun(window, g_silent ? EXIT_FAILED : EXIT_CANCELLED);
  // Whoever runs an unattended installation accepts the licence and the
  // choices that Setup.dat proposes.
  if (!g_silent) {
    if (!ShowLicense(session)) return EndRun(window, EXIT_CANCELLED);
    if (!RunWizard(session)) {
      // Every user was chosen without the rights for it: an elevated run
      // takes over, nothing having been written, and this one ends as it
      // does.
      int exitCode = EXIT_CANCELLED;
      if (session.elevationWanted) {
        ShowWindow(window, SW_HIDE);
        if (!RunElevated(exitCode)) exitCode = EXIT_FAILED;
      }
      return EndRun(window, exitCode);
    }
  }
  char folder[kPathSize];
  InstallationFolder(session, folder);
  LogEvent("installation folder: %s", folder);
  Post(window, WM_SETUP_EXPAND);
}

void OnExpand(HWND window, SetupSession& session) {
  LogEvent("step: expand");
  if (!g_uninstallMode) PrepareProductRecord(session);
  if (!ExpandItems(session)) return EndRun(window, EXIT_FAILED);
  Post(window, g_uninstallMode ? WM_SETUP_REMOVE : WM_SETUP_INSTALL);
}

void OnConfirmRemove(HWND window, SetupSession& session) {
  LogEvent("step: confirm removal");
  // Nothing is removed on the word of a record that cannot be trusted.
  if (!LoadRemovalLog(session)) {
    Tell(window, IDS_RECORD_DAMAGED);
    return EndRun(window, EXIT_FAILED);
  }
  int confirmed = 0;
  if (!ConfirmRemoval(session, confirmed)) return EndRun(window, EXIT_FAILED);
  if (!confirmed) {
    Tell(window, IDS_UNINSTALL_CANCELLED);
    return EndRun(window, EXIT_CANCELLED);
  }
  Post(window, WM_SETUP_EXPAND);
}

// The progress or removal window; null, after the error report, when it
// cannot be made: the step then ends the run before the pass begins.
HWND CreatePassWindow(HWND window, SetupSession& session, int dialog, DLGPROC procedure) {
  HWND created = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(dialog), window, procedure,
                                    reinterpret_cast<LPARAM>(&session));
  if (!created) {
    LogEvent("the %s window cannot be created (error %lu)", dialog == IDD_PROGRESS ? "progress" : "removal",
             GetLastError());
    session.ReportError(SETUP_ERR_GENERAL);
  }
  return created;
}

void OnInstall(HWND window, SetupSession& session) {
  LogEvent("step: install");
  HWND progress = nullptr;
  if (!g_silent) {
    // Where the wizard was, and the whole progress window, are drawn
    // before the first file.
    UpdateWindow(window);
    progress = CreatePassWindow(window, session, IDD_PROGRESS, ProgressDlgProc);
    if (!progress) return EndRun(window, EXIT_FAILED);
    PaintNow(progress);
  }
  // Nothing is changed that the next run could not take back.
  char folder[kPathSize];
  InstallationFolder(session, folder);
  if (!BeginJournal("install", folder)) {
    DestroyWindow(progress);
    session.ReportError(SETUP_ERR_GENERAL);
    return EndRun(window, EXIT_FAILED);
  }
  bool installed = false;
  {
    WindowHandle progressWindow(progress);
    // Declared after the window: the main window takes input again before
    // the progress window goes, so that it becomes the active one.
    PassInputBlock noInput(window);
    installed = RunInstall(session, progress) != 0 && RecordInstallLog(session);
  }
  session.progressWindow = nullptr;
  if (installed) {
    // From here on a run cut short is finished, not taken back.
    JournalNote({"COMMIT"});
    FlushJournal();
    CommitItems(session);
    RemoveDroppedItems(session);
    EndJournal();
    LogEvent("installation complete");
    if (!g_silent) ShowCompletion(session);
    return EndRun(window, DoneCode(session));
  }
  Tell(window, IDS_INSTALL_FAILED);
  LogEvent("rollback");
  {
    PassInputBlock noInput(window);
    UpdateWindow(window);  // where the message was
    RunRollback(session);
  }
  EndJournal();
  EndRun(window, session.cancelledByUser ? EXIT_CANCELLED : EXIT_FAILED);
}

void OnRemove(HWND window, SetupSession& session) {
  LogEvent("step: remove");
  if (RunningApplicationStops(session)) return EndRun(window, g_silent ? EXIT_FAILED : EXIT_CANCELLED);
  HWND removal = nullptr;
  if (!g_silent) {
    // Posted steps come before paint messages: the backdrop still shows
    // the confirmation until it is painted here.
    UpdateWindow(window);
    removal = CreatePassWindow(window, session, IDD_REMOVAL, RemovalDlgProc);
    if (!removal) return EndRun(window, EXIT_FAILED);
    PaintNow(removal);
  }
  bool removed = false;
  {
    WindowHandle removalWindow(removal);
    PassInputBlock noInput(window);
    removed = BeginJournal("uninstall", session.removalLog->folder.c_str()) && RunRemove(session, removal);
  }
  EndJournal();
  session.progressWindow = nullptr;
  if (!removed) {
    ShowStringMessageWith(window, IDS_UNINSTALL_FAILED, session.removalFailure.c_str(), MB_ICONEXCLAMATION);
    return EndRun(window, EXIT_FAILED);
  }
  Tell(window, IDS_UNINSTALL_DONE);
  OfferRestart(session, window);
  EndRun(window, DoneCode(session));
}

LRESULT OnCreate(HWND window) {
  // Out of memory here, whether for the session or in its construction,
  // is reported here: no exception may unwind through the window creation.
  SetupSession* session = nullptr;
  try {
    session = new SetupSession(g_instance, window, g_commandPath);
  } catch (std::bad_alloc&) {
    ShowErrorReport(g_instance, SETUP_ERR_NO_MEMORY);
    return -1;
  }
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
  StepRunning running(window);
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
  } catch (...) {
    session.ReportError(CaughtError());
    EndRun(window, EXIT_FAILED);
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
  // Unattended, the window stays hidden: it only carries the steps.
  if (g_silent) return true;
  ShowWindow(window, SW_SHOWMAXIMIZED);
  UpdateWindow(window);
  return true;
}

// Sent to a top-level window that has moved to a monitor of another dpi.
constexpr UINT kDpiChanged = 0x02E0;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_CLOSE:
      // Closing frees the session: under a step (its message boxes, the
      // wizard, a file question, the completion dialog) that would pull the
      // run's state from under it. The step ends the run itself.
      if (g_stepsRunning > 0) return 0;
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
    case kDpiChanged: {
      // Moved to a monitor of another dpi: take the place the system
      // proposes and paint again, in the sizes for the new dpi.
      const RECT& place = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(window, nullptr, TRUE);
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
      // Under a step (its pass lets messages through, its dialogs run
      // loops) another step would work on the state of the one running.
      if (g_stepsRunning > 0) {
        g_stepsWaiting |= 1u << (message - WM_SETUP_LOAD);
        return 0;
      }
      if (SetupSession* session = SessionOf(window)) RunStep(window, message, *session);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
