// The first and the last page of the wizard: the greeting, and the page
// whose only way forward is Install.
#include "platform/format_text.h"
#include "platform/run_log.h"
#include "platform/string_table.h"
#include "platform/globals.h"
#include "resources/resource_ids.h"
#include "session/rights.h"
#include "setupdat/component_lists.h"
#include "session/setup_session.h"
#include "wizard/dialog_support.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_sheet.h"

namespace {

const DWORD kWelcomeHelp = 3;
const DWORD kReadyHelp = 7;

void UseTitleFont(const Wizard& wizard, HWND page, int control) {
  if (wizard.titleFont) SendDlgItemMessageA(page, control, WM_SETFONT, reinterpret_cast<WPARAM>(wizard.titleFont.get()), FALSE);
}

// An installation that updates an installed product says so, under the
// greeting: which version is there, and which comes.
void ShowUpdateNote(SetupSession& session, HWND page) {
  if (!session.previousLog) return;
  char format[kTextSize];
  char name[kTextSize] = "";
  char version[kTextSize] = "";
  if (!LoadTableString(session.instance, IDS_UPDATE_NOTE, format, sizeof format)) return;
  if (const Variable* application = session.variables->FindKey('A')) application->GetValue(name, kTextSize - 1);
  session.GetSetupString(IDS_SECTION_SETUP, IDS_KEY_VERSION, version, sizeof version);
  const std::string& old = session.previousLog->version;
  char note[kTextSize * 3];
  FormatText(note, sizeof note, format, name, old.empty() ? "" : old.c_str(), version[0] ? version : "?");
  char text[kTextSize * 4] = "";
  GetDlgItemTextA(page, IDC_WELCOME_TEXT, text, kTextSize * 2);
  AppendText(text, sizeof text, "\r\n\r\n");
  AppendText(text, sizeof text, note);
  SetDlgItemTextA(page, IDC_WELCOME_TEXT, text);
  LogEvent("%s", note);
}

// The welcome page opens the sheet, so it places the whole sheet: a quarter
// of the free width from the left, leaving the product title in view.
INT_PTR OnWelcomeInit(Wizard& wizard, HWND page) {
  PlaceInWorkArea(GetParent(page), 4);
  UseTitleFont(wizard, page, IDC_WELCOME_TITLE);
  ShowUpdateNote(wizard.owner, page);
  // Only a set that lets the user choose shows the choice, proposing what
  // the run's rights allow.
  if (wizard.owner.scopeChoice) {
    ShowWindow(GetDlgItem(page, IDC_SCOPE_USER), SW_SHOW);
    ShowWindow(GetDlgItem(page, IDC_SCOPE_MACHINE), SW_SHOW);
    CheckRadioButton(page, IDC_SCOPE_USER, IDC_SCOPE_MACHINE, g_userScope ? IDC_SCOPE_USER : IDC_SCOPE_MACHINE);
  }
  return TRUE;
}

// The choice made: the folders follow it. Every user, without the rights
// for it, ends the sheet; the run then hands over to an elevated one.
LRESULT TakeScopeChoice(Wizard& wizard, HWND page) {
  SetupSession& session = wizard.owner;
  const bool user = IsDlgButtonChecked(page, IDC_SCOPE_USER) == BST_CHECKED;
  LogEvent("installation for %s", user ? "this user" : "every user");
  if (!user && !g_relaunched && !ProcessIsElevated()) {
    session.elevationWanted = true;
    PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return -1;
  }
  if (user != g_userScope) {
    session.ApplyScope(user);
    if (!g_folderSwitch[0] && !session.previousLog) session.ProposeFolder();
    // A list that cannot be read has been reported: the run ends.
    if (!LoadRegistryLists(session)) {
      PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return -1;
    }
  }
  return 0;
}

INT_PTR OnWelcomeNotify(Wizard& wizard, HWND page, const NMHDR& header) {
  INT_PTR handled = FALSE;
  if (HandleCommonNotification(wizard, page, header.code, kWelcomeHelp, handled)) return handled;
  switch (header.code) {
    case PSN_SETACTIVE:
      SetWizardButtons(page, PSWIZB_NEXT);
      return FALSE;
    case PSN_WIZNEXT:
      if (!wizard.owner.scopeChoice) return FALSE;
      SetPageResult(page, TakeScopeChoice(wizard, page));
      return TRUE;
    case PSN_KILLACTIVE:
      SetPageResult(page, FALSE);
      return TRUE;
  }
  return FALSE;
}

INT_PTR OnReadyNotify(Wizard& wizard, HWND page, const NMHDR& header) {
  INT_PTR handled = FALSE;
  if (HandleCommonNotification(wizard, page, header.code, kReadyHelp, handled)) return handled;
  switch (header.code) {
    case PSN_SETACTIVE:
      // Shows Finish, labelled Install, in place of Back and Next.
      SendMessageA(GetParent(page), PSM_SETFINISHTEXT, 0, reinterpret_cast<LPARAM>("Install"));
      return FALSE;
    case PSN_WIZFINISH:
      wizard.result = 1;
      SetPageResult(page, FALSE);  // let the sheet close
      return TRUE;
    case PSN_KILLACTIVE:
      SetPageResult(page, FALSE);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Wizard* wizard = GetPageWizard(page, message, wParam, lParam);
  if (!wizard) return FALSE;
  ShowSidePicture(*wizard, page, message);
  return GuardPage(page, [&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        return OnWelcomeInit(*wizard, page);
      case WM_NOTIFY:
        return OnWelcomeNotify(*wizard, page, *reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
  });
}

INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Wizard* wizard = GetPageWizard(page, message, wParam, lParam);
  if (!wizard) return FALSE;
  ShowSidePicture(*wizard, page, message);
  return GuardPage(page, [&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        UseTitleFont(*wizard, page, IDC_READY_TITLE);
        return TRUE;
      case WM_NOTIFY:
        return OnReadyNotify(*wizard, page, *reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
  });
}
