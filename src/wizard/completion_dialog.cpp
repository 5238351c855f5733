// The end of a successful installation: start the application, open the
// release notes, then the restart offer.
#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "engine/restart.h"
#include "platform/dpi.h"
#include "platform/gdi_objects.h"
#include "platform/global_memory.h"
#include "platform/globals.h"
#include "platform/shell_calls.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "wizard/dialog_support.h"
#include "wizard/wizard.h"

namespace {

// Sent to a top-level window that has moved to a monitor of another dpi.
constexpr UINT kDpiChanged = 0x02E0;

// The icon the dialog shows: the icon control does not own an icon set
// into it, so it is kept here until the dialog is gone.
IconHandle g_completionIcon;

// The program icon in the size for the dialog's dpi: 32 pixels at 96 dpi,
// 48 at 144, 64 at 192, each drawn at that size.
void ShowIcon(HWND dialog, HINSTANCE instance) {
  const int size = ScaleToDpi(32, WindowDpi(dialog));
  IconHandle icon(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size, size, 0)));
  if (!icon) return;
  SendDlgItemMessageA(dialog, IDC_COMPLETION_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  g_completionIcon = std::move(icon);  // the one shown before goes only now
}

SetupSession* SessionOf(HWND dialog) { return reinterpret_cast<SetupSession*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

void ShowBox(HWND dialog, int box, bool shown) { ShowWindow(GetDlgItem(dialog, box), shown ? SW_SHOW : SW_HIDE); }

// "Start <application>" when the product has a name.
void NameLaunchBox(const SetupSession& session, HWND dialog) {
  Variable* application = session.variables ? session.variables->FindKey('A') : nullptr;
  if (!application) return;
  char text[kPathSize] = {};
  char name[kPathSize + 1] = {};
  if (!LoadTableString(session.instance, IDS_START_APP, text, sizeof text)) return;
  application->GetValue(name, kPathSize);
  // A name too long for the box keeps the part that fits.
  if (!AppendText(text, sizeof text, name)) CopyText(text + lstrlenA(text), sizeof text - lstrlenA(text), name);
  SetDlgItemTextA(dialog, IDC_LAUNCH_APP, text);
}

INT_PTR OnInit(HWND dialog, SetupSession& session) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&session));
  PlaceDialogInWorkArea(dialog);
  ShowIcon(dialog, session.instance);
  const DWORD options = session.completionOptions;
  ShowBox(dialog, IDC_LAUNCH_APP, (options & COMPLETION_OFFER_EXECUTE) != 0);
  ShowBox(dialog, IDC_VIEW_NOTES, (options & COMPLETION_OFFER_VIEW) != 0);
  NameLaunchBox(session, dialog);
  // The author's words for what View opens; the template's without them.
  BlockLock<const char> viewText(session.viewText);
  if (viewText) SetDlgItemTextA(dialog, IDC_VIEW_NOTES, viewText.get());
  CheckDlgButton(dialog, IDC_LAUNCH_APP, (options & COMPLETION_RUN_EXECUTE) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_VIEW_NOTES, (options & COMPLETION_OPEN_VIEW) ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void SetOption(DWORD& options, DWORD option, bool on) {
  if (on)
    options |= option;
  else
    options &= ~option;
}

// Only OK closes the dialog: Escape and the close box do nothing.
INT_PTR OnCommand(HWND dialog, WORD control) {
  SetupSession* session = SessionOf(dialog);
  if (control != IDOK || !session) return TRUE;
  SetOption(session->completionOptions, COMPLETION_RUN_EXECUTE, IsDlgButtonChecked(dialog, IDC_LAUNCH_APP) == BST_CHECKED);
  SetOption(session->completionOptions, COMPLETION_OPEN_VIEW, IsDlgButtonChecked(dialog, IDC_VIEW_NOTES) == BST_CHECKED);
  EndDialog(dialog, IDOK);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK CompletionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit(dialog, *reinterpret_cast<SetupSession*>(lParam));
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
    case kDpiChanged:
      // The dialog manager moves and rescales the dialog itself.
      if (SetupSession* session = SessionOf(dialog)) ShowIcon(dialog, session->instance);
      return FALSE;
  }
  return FALSE;
}

BOOL LaunchSetting(SetupSession& session, unsigned char key) {
  Variable* setting = session.variables ? session.variables->FindKey(key) : nullptr;
  char text[kPathSize + 1] = {};
  if (!setting || !setting->GetValue(text, kPathSize) || text[0] == '\0') return FALSE;
  GlobalBlock expanded;
  if (!session.variables->ExpandText(text, expanded)) return FALSE;
  BlockLock<char> file(expanded);
  if (!file || file.get()[0] == '\0') return FALSE;

  char folder[kPathSize + 1] = {};
  if (Variable* installFolder = session.variables->FindKey('0')) installFolder->GetValue(folder, kPathSize);

  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof execute;
  // Nothing to start is no error worth a message of the shell's own.
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.hwnd = session.window;
  execute.lpFile = file.get();
  execute.lpDirectory = folder;
  execute.nShow = SW_SHOWNORMAL;
  return systemdll::ShellExecuteExA(&execute);
}

void ShowCompletion(SetupSession& session) {
  session.completionOptions = 0;
  if (!session.restartNeeded && session.variables) {
    if (session.variables->FindKey('E')) session.completionOptions |= COMPLETION_RUN_EXECUTE | COMPLETION_OFFER_EXECUTE;
    if (session.variables->FindKey('V')) session.completionOptions |= COMPLETION_OPEN_VIEW | COMPLETION_OFFER_VIEW;
  }
  DialogBoxParamA(session.instance, MAKEINTRESOURCEA(IDD_COMPLETION), session.window, CompletionDlgProc,
                  reinterpret_cast<LPARAM>(&session));
  g_completionIcon.reset();
  if (!session.restartNeeded) {
    // The release notes first, so that the application opens over them.
    if (session.completionOptions & COMPLETION_OPEN_VIEW) LaunchSetting(session, 'V');
    if (session.completionOptions & COMPLETION_RUN_EXECUTE) LaunchSetting(session, 'E');
  }
  OfferRestart(session, session.window);
}
