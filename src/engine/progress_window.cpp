#include "engine/progress_window.h"

#include <commctrl.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "shell/setup_session.h"

namespace {

// A path longer than this is shown as its start, "..." and its end.
constexpr std::size_t kLongestShownPath = 50;
constexpr std::size_t kShownHead = 9;
constexpr std::size_t kShownTail = 37;

// Centres the dialog over the client area of its owner (the main window,
// which fills the screen).
void CentreOnOwner(HWND dialog) {
  RECT ownerArea = {};
  RECT dialogArea = {};
  if (HWND owner = GetWindow(dialog, GW_OWNER)) GetClientRect(owner, &ownerArea);
  GetClientRect(dialog, &dialogArea);
  const int x = (static_cast<int>(ownerArea.right - ownerArea.left) - static_cast<int>(dialogArea.right - dialogArea.left)) / 2;
  const int y = (static_cast<int>(ownerArea.bottom - ownerArea.top) - static_cast<int>(dialogArea.bottom - dialogArea.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

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

void SetProgressText(SetupSession& session, const char* description, const char* path) {
  HWND window = session.progressWindow;
  if (!window) return;
  SetDlgItemTextA(window, IDC_PROGRESS_DESCRIPTION, description ? description : "");
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
  if (session.progressWindow)
    SendDlgItemMessageA(session.progressWindow, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(session.bytesDone / 1024), 0);
}
