// Walks the example product's install and uninstall as a user would, with
// the UI-automation library, and saves a picture of the screen at every
// step. tools/demo.sh runs it on a private X screen.
//
//   demo_walk SET_FOLDER SHOTS_FOLDER
//
// Prints "screenshot <file>" for every picture saved; exits with 0 when
// both runs went through.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "resources/resource_ids.h"
#include "uiauto.h"

namespace {

const int kNextButton = 0x3024;
const int kFinishButton = 0x3025;
const DWORD kTimeoutMs = 60000;

std::string g_shots;
int g_shotNumber = 0;

void Shot(const char* name) {
  Sleep(400);  // let the screen settle after the last change
  char file[64];
  std::snprintf(file, sizeof file, "%02d-%s.png", ++g_shotNumber, name);
  const std::string path = g_shots + "\\" + file;
  auto picture = uiauto::CaptureWholeScreen();
  if (picture && picture->SavePng(path)) {
    std::printf("screenshot %s\n", file);
  } else {
    std::printf("no screenshot %s: %s\n", file, uiauto::LastError().c_str());
  }
  std::fflush(stdout);
}

bool Fail(const std::string& what, const uiauto::Process* process = nullptr) {
  std::printf("demo stopped: %s\n%s\n%s\n", what.c_str(), uiauto::LastError().c_str(),
              process ? uiauto::Describe(*process).c_str() : "");
  return false;
}

// The product's own window, so that the run begins with the request to
// close it.
HWND OpenEditorStandIn() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ExampleEditorWindow";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "ExampleEditorWindow", "Example Editor", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

bool ShowPage(HWND sheet, int marker, const char* name) {
  if (!uiauto::WaitUntil([&] { return uiauto::IsControlVisible(sheet, marker).value_or(false); }, 10000))
    return false;
  Shot(name);
  return true;
}

// The pages set the sheet's buttons by a posted message: a button is
// clicked once it shows and is enabled.
void ClickSheetButton(HWND sheet, int button) {
  uiauto::WaitUntil(
      [&] {
        return uiauto::IsControlVisible(sheet, button).value_or(false) &&
               uiauto::IsControlEnabled(sheet, button).value_or(false);
      },
      5000);
  uiauto::ClickButton(sheet, button);
}

// The progress and removal windows come and go within a second, so the
// screen is taken as soon as such a window shows, with Setup.exe held
// still for that moment.
void CatchPassingWindow(const uiauto::Process& process, int control, const char* name) {
  HWND window = nullptr;
  const DWORD start = GetTickCount();
  while (!window && process.IsRunning() && GetTickCount() - start < kTimeoutMs) {
    for (HWND candidate : uiauto::TopLevelWindows(process.Id())) {
      if (GetDlgItem(candidate, control)) window = candidate;
    }
    if (!window) Sleep(1);
  }
  char file[64];
  std::snprintf(file, sizeof file, "%02d-%s.png", ++g_shotNumber, name);
  if (!window) {
    std::printf("no screenshot %s: the window was not seen\n", file);
    return;
  }
  // Held still while the screen is taken, as soon as the window shows
  // painted: a grey face with dark text on it, where the backdrop around it
  // is blue.
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr));
  std::optional<uiauto::Picture> picture;
  for (int attempt = 0; attempt < 200 && IsWindow(window); ++attempt) {
    if (thread) SuspendThread(thread);
    RECT frame = {};
    GetWindowRect(window, &frame);
    auto shot = uiauto::CaptureWholeScreen();
    if (thread) ResumeThread(thread);
    if (!shot) break;
    const COLORREF face = shot->At(frame.left + 4, (frame.top + frame.bottom) / 2);
    int dark = 0;
    for (int y = (frame.top + frame.bottom) / 2 - 20; y < frame.bottom; ++y)
      for (int x = frame.left; x < frame.right; ++x) {
        const COLORREF c = shot->At(x, y);
        if (c != CLR_INVALID && GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) ++dark;
      }
    if (GetRValue(face) == GetGValue(face) && GetGValue(face) == GetBValue(face) && GetRValue(face) < 255 &&
        dark > 20) {
      picture = std::move(shot);
      break;
    }
    Sleep(2);
  }
  if (thread) CloseHandle(thread);
  if (!picture) {
    std::printf("no screenshot %s: the window was never painted while it was up\n", file);
    return;
  }
  if (picture && picture->SavePng(g_shots + "\\" + file)) std::printf("screenshot %s\n", file);
  std::fflush(stdout);
}

bool Install(const std::string& set, std::string& folder) {
  HWND editor = OpenEditorStandIn();
  auto process = uiauto::Process::Start(uiauto::QuoteArg(set + "\\Setup.exe"), set);
  if (!process) return Fail("cannot start Setup.exe");
  auto stillOpen = uiauto::WaitForMessageBox(*process, kTimeoutMs);
  if (!stillOpen) return Fail("no running-application message", &*process);
  Shot("running-application");
  DestroyWindow(editor);
  uiauto::Answer(*stillOpen, IDOK);

  auto licence = uiauto::WaitForDialog(*process, "License Agreement", kTimeoutMs);
  if (!licence) return Fail("no licence", &*process);
  Shot("licence");
  uiauto::ClickButton(*licence, IDOK);

  auto sheet = uiauto::WaitForWindow(
      *process, [](HWND w) { return uiauto::Control(w, kNextButton) != nullptr; }, kTimeoutMs);
  if (!sheet) return Fail("no wizard", &*process);
  const struct {
    int marker;
    const char* name;
  } pages[] = {{IDC_WELCOME_TITLE, "welcome"},
               {IDC_FOLDER_EDIT, "folder"},
               {IDC_SHORTCUTS_TEXT, "shortcuts"},
               {IDC_GROUP_EDIT, "group"}};
  for (const auto& page : pages) {
    if (!ShowPage(*sheet, page.marker, page.name)) return Fail(std::string("no page ") + page.name, &*process);
    if (page.marker == IDC_FOLDER_EDIT) folder = uiauto::ControlText(*sheet, IDC_FOLDER_EDIT).value_or("");
    ClickSheetButton(*sheet, kNextButton);
  }
  if (!ShowPage(*sheet, IDC_READY_TITLE, "ready")) return Fail("no ready page", &*process);
  ClickSheetButton(*sheet, kFinishButton);
  CatchPassingWindow(*process, IDC_PROGRESS_BAR, "progress");

  auto completion = uiauto::WaitForDialog(*process, "Installation Complete!", kTimeoutMs);
  if (!completion) return Fail("no completion dialog", &*process);
  Shot("completion");
  // The demo leaves the editor and the release notes closed.
  uiauto::SetChecked(*completion, IDC_LAUNCH_APP, false);
  uiauto::SetChecked(*completion, IDC_VIEW_NOTES, false);
  uiauto::ClickButton(*completion, IDOK);
  const auto log = uiauto::CollectMessageBoxes(*process, kTimeoutMs);
  if (!log.exited) return Fail("the install did not end: " + log.ToString(), &*process);
  return true;
}

bool Uninstall(const std::string& folder) {
  auto process = uiauto::Process::Start(uiauto::QuoteArg(folder + "\\Setup.exe") + " /U " + uiauto::QuoteArg(folder),
                                        folder);
  if (!process) return Fail("cannot start the uninstall");
  auto confirm = uiauto::WaitForMessageBox(*process, kTimeoutMs);
  if (!confirm) return Fail("no removal question", &*process);
  Shot("confirm-removal");
  uiauto::Answer(*confirm, IDYES);
  CatchPassingWindow(*process, IDC_REMOVAL_STAGE, "removal");
  // The result, then perhaps the restart question: answered No, so that
  // the demo's Wine keeps running.
  bool first = true;
  const auto log = uiauto::CollectMessageBoxes(*process, kTimeoutMs, [&](const uiauto::MessageBoxInfo& box) {
    Shot(first ? "removed" : "restart-question");
    first = false;
    return box.HasButton(IDNO) ? IDNO : IDOK;
  });
  if (!log.exited) return Fail("the uninstall did not end: " + log.ToString(), &*process);
  for (const auto& answered : log.boxes) std::printf("uninstall said: %s\n", answered.box.text.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: demo_walk SET_FOLDER SHOTS_FOLDER\n");
    return 2;
  }
  g_shots = argv[2];
  std::string folder;
  if (!Install(argv[1], folder)) return 1;
  std::printf("installed into %s\n", folder.c_str());
  if (!Uninstall(folder)) return 1;
  return 0;
}
