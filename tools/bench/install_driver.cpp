// Runs Setup.exe to its end without a person at the screen, and times its
// install pass from the outside, as a user would see it: from the moment
// the progress window appears until it is gone.
//
//   install_driver.exe [--timeout SECONDS] PROGRAM [ARGUMENTS...]
//
// It polls the program's top-level windows every few milliseconds. Along
// the way it presses Next/Finish in a wizard, answers a question that has
// a No button with No (the restart offer: a benchmark must never restart
// the machine), cancels a file error dialog (a file that cannot be
// installed spoils the figures anyway) and answers every other dialog or
// message box with its default button, OK when it has none. Every answer
// is logged to stderr so that a run that met questions can be told apart.
//
// Prints to stdout:
//   install_pass_seconds=S   (-1 when no progress window was seen)
//   pass_start_seconds=S     (program start to the progress window; -1 as above)
//   windows_gone_seconds=S   (program start to the last sight of its main window)
//   total_seconds=S          (program start to program end)
//   dialogs_answered=N
//   started_seconds=S        (time CreateProcess took)
// Exit code: 0 when the progress window came and went and the program
// ended, 2 when no progress window was seen, 3 on timeout (the program is
// then terminated), 1 when the program could not be started.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Fixed parts of the program being driven.
const char kMainWindowClass[] = "QWSetupWindow";
const char kProgressCaption[] = "Setup";
const int kProgressBarId = 1036;
const int kFileErrorMessageId = 1037;
const int kMessageBoxTextId = 0xFFFF;
// Property sheet buttons and the message that presses them.
const int kSheetNextId = 0x3024;
const int kSheetFinishId = 0x3025;
const WPARAM kPressNext = 2;
const WPARAM kPressFinish = 4;

// How often windows are looked at: often enough to place the start and end
// of the pass within a few milliseconds, seldom enough not to slow it down.
const DWORD kPollMilliseconds = 2;
// While the pass runs only the progress window is watched closely; other
// dialogs (a file error) are looked for less often.
const double kDialogScanSeconds = 0.1;
// A dialog that was answered gets time to go away before it is answered again.
const double kAnswerRepeatSeconds = 0.5;

class Clock {
public:
  Clock() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
  }

private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

class Handle {
public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle) {
    if (handle_) CloseHandle(handle_);
    handle_ = handle;
  }

private:
  HANDLE handle_;
};

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Window texts of another process are read from the window manager's copy:
// no message is sent, so a program busy in its install pass cannot hold
// the driver up.
std::string TextOf(HWND window) {
  char text[512] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

bool ButtonUsable(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

struct TopWindows {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<TopWindows*>(param);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == found->processId) found->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId) {
  TopWindows found{processId, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

bool IsProgressWindow(HWND window) {
  if (ClassOf(window) != "#32770" || TextOf(window) != kProgressCaption) return false;
  HWND owner = GetWindow(window, GW_OWNER);
  if (!owner || ClassOf(owner) != kMainWindowClass) return false;
  HWND bar = GetDlgItem(window, kProgressBarId);
  return bar && ClassOf(bar) == "msctls_progress32";
}

// The page a property sheet shows (PSM_GETCURRENTPAGEHWND), or the sheet.
HWND CurrentPage(HWND sheet) {
  DWORD_PTR page = 0;
  if (!SendMessageTimeoutA(sheet, WM_USER + 118, 0, 0, SMTO_ABORTIFHUNG, 200, &page) || !page) return sheet;
  return reinterpret_cast<HWND>(page);
}

bool IsWizard(HWND window) { return GetDlgItem(window, kSheetNextId) || GetDlgItem(window, kSheetFinishId); }

class Driver {
public:
  explicit Driver(DWORD processId) : processId_(processId) {}

  // One look at the program's windows. Returns the progress window if it
  // is up, and deals with every other dialog.
  HWND Scan(double now) {
    HWND progress = nullptr;
    for (HWND window : WindowsOf(processId_)) {
      if (ClassOf(window) == kMainWindowClass) mainWindowSeen_ = now;
      if (!IsWindowVisible(window)) continue;
      if (IsProgressWindow(window)) {
        progress = window;
      } else if (ClassOf(window) == "#32770") {
        Answer(window, now);
      }
    }
    return progress;
  }

  int answered() const { return answered_; }
  double mainWindowSeen() const { return mainWindowSeen_; }

private:
  void Answer(HWND dialog, double now) {
    // A wizard is answered page by page: a new page may be answered at once.
    HWND answering = IsWizard(dialog) ? CurrentPage(dialog) : dialog;
    if (answering == lastAnswered_ && now - lastAnswerTime_ < kAnswerRepeatSeconds) return;
    if (IsWizard(dialog)) {
      // A page that is still being set up has neither button usable yet.
      WPARAM press = 0;
      if (ButtonUsable(dialog, kSheetFinishId)) {
        press = kPressFinish;
      } else if (ButtonUsable(dialog, kSheetNextId)) {
        press = kPressNext;
      }
      if (!press) return;
      Log(dialog, press == kPressFinish ? "Finish" : "Next");
      // A click on the sheet's own button, as the mouse would give it: the
      // sheet then asks the page before it moves on.
      const int button = press == kPressFinish ? kSheetFinishId : kSheetNextId;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    } else {
      int id = IDOK;
      if (GetDlgItem(dialog, IDNO)) {
        id = IDNO;
      } else if (GetDlgItem(dialog, kFileErrorMessageId)) {
        id = IDCANCEL;
      } else {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 200, &result) &&
            HIWORD(result) == DC_HASDEFID) {
          id = LOWORD(result);
        }
      }
      char button[16];
      std::snprintf(button, sizeof button, "button %d", id);
      Log(dialog, button);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    lastAnswered_ = answering;
    lastAnswerTime_ = now;
    ++answered_;
  }

  void Log(HWND dialog, const char* answer) {
    std::string text = TextOf(GetDlgItem(dialog, kMessageBoxTextId));
    if (text.empty()) text = TextOf(GetDlgItem(dialog, kFileErrorMessageId));
    for (char& c : text) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    std::fprintf(stderr, "install_driver: \"%s\" %s -> %s\n", TextOf(dialog).c_str(), text.c_str(), answer);
  }

  DWORD processId_;
  HWND lastAnswered_ = nullptr;
  double lastAnswerTime_ = 0;
  double mainWindowSeen_ = -1;
  int answered_ = 0;
};

// The program's command line, split again by the program as it was here.
// Only arguments with spaces are quoted: some installers read their
// options ("/D=folder") from the raw line and would take a quote as part
// of the folder.
std::string CommandLine(int first, int argc, char** argv) {
  std::string line;
  for (int i = first; i < argc; ++i) {
    if (i > first) line += ' ';
    const bool quoted = argv[i][0] == '\0' || std::strpbrk(argv[i], " \t") != nullptr;
    if (quoted) line += '"';
    line += argv[i];
    if (quoted) line += '"';
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  double timeout = 1800;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
    timeout = std::atof(argv[2]);
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: install_driver [--timeout SECONDS] PROGRAM [ARGUMENTS...]\n");
    return 1;
  }

  std::string commandLine = CommandLine(first, argc, argv);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  Clock clock;
  if (!CreateProcessA(argv[first], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "install_driver: cannot start %s (error %lu)\n", argv[first],
                 static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  const double started = clock.Now();
  Handle process(info.hProcess);
  Handle thread(info.hThread);

  Driver driver(info.dwProcessId);
  HWND progress = nullptr;
  double passStart = -1;
  double passEnd = -1;
  double lastScan = -1;
  bool timedOut = false;
  while (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
    const double now = clock.Now();
    if (now > timeout) {
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), 5000);
      timedOut = true;
      break;
    }
    if (progress) {
      // The pass ends when its window is destroyed.
      if (!IsWindow(progress)) {
        passEnd = now;
        progress = nullptr;
      } else if (now - lastScan >= kDialogScanSeconds) {
        driver.Scan(now);
        lastScan = now;
      }
    } else {
      HWND found = driver.Scan(now);
      lastScan = now;
      if (found && passStart < 0) {
        passStart = now;
        progress = found;
      }
    }
    Sleep(kPollMilliseconds);
  }
  const double total = clock.Now();
  if (passStart >= 0 && passEnd < 0 && !timedOut) passEnd = total;  // gone with the program

  const double pass = passStart >= 0 && passEnd >= 0 ? passEnd - passStart : -1;
  std::printf(
      "install_pass_seconds=%.3f\npass_start_seconds=%.3f\nwindows_gone_seconds=%.3f\ntotal_seconds=%.3f\n"
      "dialogs_answered=%d\nstarted_seconds=%.3f\n",
      pass, passStart, driver.mainWindowSeen(), total, driver.answered(), started);
  std::fflush(stdout);
  if (timedOut) return 3;
  return passStart < 0 ? 2 : 0;
}
