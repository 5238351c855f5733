#include "engine/progress_window.h"

#include <commctrl.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "session/setup_session.h"

namespace {

// A path longer than this is shown as its start, "..." and its end.
constexpr std::size_t kLongestShownPath = 50;
constexpr std::size_t kShownHead = 9;
constexpr std::size_t kShownTail = 37;

}  // namespace

void CentreOnOwner(HWND dialog) {
  RECT ownerArea = {};
  RECT dialogArea = {};
  if (HWND owner = GetWindow(dialog, GW_OWNER)) GetClientRect(owner, &ownerArea);
  GetClientRect(dialog, &dialogArea);
  const int x = (static_cast<int>(ownerArea.right - ownerArea.left) - static_cast<int>(dialogArea.right - dialogArea.left)) / 2;
  const int y = (static_cast<int>(ownerArea.bottom - ownerArea.top) - static_cast<int>(dialogArea.bottom - dialogArea.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

namespace {

void OnInitDialog(HWND dialog, LPARAM session) {
  CentreOnOwner(dialog);
  SetWindowLongPtrA(dialog, DWLP_USER, session);
  SetDlgItemTextA(dialog, IDC_PROGRESS_DESCRIPTION, "");
  SetDlgItemTextA(dialog, IDC_PROGRESS_FILE, "");
  SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
}

}  // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  // The window has no buttons and handles no commands: only its start-up.
  if (message != WM_INITDIALOG) return FALSE;
  OnInitDialog(dialog, lParam);
  return TRUE;
}

namespace {

bool RepaintDue(const ProgressDisplay& display) {
  // Unsigned difference: right across the wrap of the tick count.
  return !display.painted || GetTickCount() - display.paintedAt >= ProgressDisplay::kProgressRepaintMs;
}

void ShowWaitingText(HWND window, ProgressDisplay& display) {
  // Most files of a list share their description: an unchanged text is not
  // set again, as setting it repaints it.
  char shown[sizeof display.description];
  if (!GetDlgItemTextA(window, IDC_PROGRESS_DESCRIPTION, shown, sizeof shown) ||
      std::strcmp(shown, display.description) != 0)
    SetDlgItemTextA(window, IDC_PROGRESS_DESCRIPTION, display.description);
  SetDlgItemTextA(window, IDC_PROGRESS_FILE, display.file);
}

void ShowWaitingBar(HWND window, const ProgressDisplay& display) {
  HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
  if (!bar) return;
  // A copy that writes more than its file's size does not run the bar
  // past the end.
  unsigned long long reached = display.done + display.copying;
  if (display.total && reached > display.total) reached = display.total;
  const int position = ProgressDisplay::Shown(reached);
  if (SendMessageA(bar, PBM_GETPOS, 0, 0) != position) SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

}  // namespace

void FlushProgress(SetupSession& session) {
  ProgressDisplay& display = session.progress;
  HWND window = session.progressWindow;
  if (!window) return;
  if (display.textWaiting) ShowWaitingText(window, display);
  if (display.barWaiting) ShowWaitingBar(window, display);
  display.textWaiting = false;
  display.barWaiting = false;
  display.painted = true;
  display.paintedAt = GetTickCount();
}

void SetProgressText(SetupSession& session, const char* description, const char* path) {
  ProgressDisplay& display = session.progress;
  CopyText(display.description, sizeof display.description, description ? description : "");
  if (!path) path = "";
  const std::size_t length = std::strlen(path);
  if (length <= kLongestShownPath) {
    CopyText(display.file, sizeof display.file, path);
  } else {
    static_assert(kLongestShownPath < sizeof display.file && kShownHead + 3 + kShownTail <= kLongestShownPath,
                  "a shown path fits");
    std::memcpy(display.file, path, kShownHead);
    std::memcpy(display.file + kShownHead, "...", 3);
    std::memcpy(display.file + kShownHead + 3, path + length - kShownTail, kShownTail);
    display.file[kShownHead + 3 + kShownTail] = '\0';
  }
  display.textWaiting = true;
  if (RepaintDue(display)) FlushProgress(session);
}

namespace {

void CountDone(SetupSession& session, unsigned long long amount) {
  ProgressDisplay& display = session.progress;
  display.done += amount;
  display.copying = 0;
  display.barWaiting = true;
  if (display.done >= display.total || RepaintDue(display)) FlushProgress(session);
}

}  // namespace

void AdvanceProgress(SetupSession& session, DWORD bytes) {
  session.bytesDone += bytes;
  CountDone(session, bytes);
}

void AdvanceProgressFixed(SetupSession& session, unsigned long long cost) { CountDone(session, cost); }

void ShowCopyProgress(SetupSession& session, DWORD bytesCopied) {
  ProgressDisplay& display = session.progress;
  display.copying = bytesCopied;
  display.barWaiting = true;
  if (RepaintDue(display)) FlushProgress(session);
}

void ShowProgressStage(SetupSession& session, const char* description) {
  SetProgressText(session, description, "");
  FlushProgress(session);
}
