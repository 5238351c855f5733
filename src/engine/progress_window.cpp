#include "engine/progress_window.h"

#include <commctrl.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "shell/setup_session.h"

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

// How many pixels of the bar a position fills.
int DrawnLength(HWND bar, int position) {
  const int highest = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  if (highest <= 0) return position;
  RECT area = {};
  GetClientRect(bar, &area);
  if (position > highest) position = highest;
  if (position < 0) position = 0;
  // Truncated, not rounded: only the highest position fills the bar.
  return static_cast<int>(static_cast<long long>(position) * (area.right - area.left) / highest);
}

}  // namespace

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  // The window has no buttons and handles no commands: only its start-up.
  if (message != WM_INITDIALOG) return FALSE;
  OnInitDialog(dialog, lParam);
  return TRUE;
}

void SetProgressText(SetupSession& session, const char* description, const char* path) {
  HWND window = session.progressWindow;
  if (!window) return;
  // Every change of a text repaints it at once; most files of a list share
  // their description.
  if (!description) description = "";
  char shownDescription[kTextSize];
  if (!GetDlgItemTextA(window, IDC_PROGRESS_DESCRIPTION, shownDescription, sizeof shownDescription) ||
      std::strcmp(shownDescription, description) != 0)
    SetDlgItemTextA(window, IDC_PROGRESS_DESCRIPTION, description);
  if (!path) path = "";
  const std::size_t length = std::strlen(path);
  if (length <= kLongestShownPath) {
    SetDlgItemTextA(window, IDC_PROGRESS_FILE, path);
    return;
  }
  char shown[kShownHead + 3 + kShownTail + 1];
  std::memcpy(shown, path, kShownHead);
  std::memcpy(shown + kShownHead, "...", 3);
  std::memcpy(shown + kShownHead + 3, path + length - kShownTail, kShownTail);
  shown[sizeof shown - 1] = '\0';
  SetDlgItemTextA(window, IDC_PROGRESS_FILE, shown);
}

void AdvanceProgress(SetupSession& session, DWORD bytes) {
  session.bytesDone += bytes;
  HWND bar = session.progressWindow ? GetDlgItem(session.progressWindow, IDC_PROGRESS_BAR) : nullptr;
  if (!bar) return;
  // Moving the bar repaints it at once, which costs more than copying a
  // small file; a move that would not change a single pixel is left out.
  // The last step always fills the bar, so the end is always shown.
  const int position = static_cast<int>(session.bytesDone / 1024);
  if (DrawnLength(bar, static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0))) == DrawnLength(bar, position)) return;
  SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
