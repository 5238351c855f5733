// The shortcut choices and the Start-menu group they go into.
#include <shlobj.h>
#include <windows.h>

#include <cstring>

#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "wizard/dialog_support.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_sheet.h"

namespace {

const DWORD kShortcutsHelp = 5;
const DWORD kGroupHelp = 6;

bool IsTicked(HWND page, int box) { return IsDlgButtonChecked(page, box) == BST_CHECKED; }

void Tick(HWND page, int box, int choice) { CheckDlgButton(page, box, choice ? BST_CHECKED : BST_UNCHECKED); }

// "Launch <application> at Windows startup" when the product has a name.
void NameStartupBox(Wizard& wizard, HWND page) {
  Variable* application = wizard.variables.FindKey('A');
  char name[kPathSize + 1] = {};
  if (!application || !application->GetValue(name, kPathSize) || name[0] == '\0') return;
  char format[kPathSize];
  if (!LoadTableString(wizard.owner.instance, IDS_LAUNCH_AT_STARTUP, format, sizeof format)) return;
  char text[kPathSize];
  FormatText(text, sizeof text, format, name);
  SetDlgItemTextA(page, IDC_LINK_STARTUP, text);
}

// A choice that Setup.dat turns off (its setting is 0) is not offered at all.
INT_PTR OnShortcutsInit(Wizard& wizard, HWND page) {
  NameStartupBox(wizard, page);
  if (!wizard.owner.linkStartup) ShowWindow(GetDlgItem(page, IDC_LINK_STARTUP), SW_HIDE);
  if (!wizard.owner.linkDesktop) ShowWindow(GetDlgItem(page, IDC_LINK_DESKTOP), SW_HIDE);
  if (!wizard.owner.linkGroup) ShowWindow(GetDlgItem(page, IDC_LINK_GROUP), SW_HIDE);
  return TRUE;
}

INT_PTR OnShortcutsNotify(Wizard& wizard, HWND page, const NMHDR& header) {
  INT_PTR handled = FALSE;
  if (HandleCommonNotification(wizard, page, header.code, kShortcutsHelp, handled)) return handled;
  switch (header.code) {
    case PSN_SETACTIVE:
      SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
      Tick(page, IDC_LINK_GROUP, wizard.linkGroup);
      Tick(page, IDC_LINK_STARTUP, wizard.linkStartup);
      Tick(page, IDC_LINK_DESKTOP, wizard.linkDesktop);
      return FALSE;
    case PSN_KILLACTIVE:
      wizard.linkGroup = IsTicked(page, IDC_LINK_GROUP) ? 1 : 0;
      wizard.linkStartup = IsTicked(page, IDC_LINK_STARTUP) ? 1 : 0;
      wizard.linkDesktop = IsTicked(page, IDC_LINK_DESKTOP) ? 1 : 0;
      SetPageResult(page, FALSE);
      return TRUE;
    case PSN_WIZNEXT:
      // Without Start-menu shortcuts there is no group to ask for: the
      // sheet goes on to the page with this dialog number instead.
      if (IsTicked(page, IDC_LINK_GROUP)) return FALSE;
      SetPageResult(page, IDD_READY_PAGE);
      return TRUE;
  }
  return FALSE;
}

// A folder chosen below Programs becomes a group relative to Programs;
// Programs itself is no group.
void TakeChosenGroup(HWND page, const char* chosen) {
  char programs[kPathSize] = {};
  if (!GetProgramsFolder(page, programs)) return;
  const std::size_t length = std::strlen(programs);
  if (lstrcmpiA(chosen, programs) == 0) {
    SetDlgItemTextA(page, IDC_GROUP_EDIT, "");
  } else if (std::strlen(chosen) > length + 1 && chosen[length] == '\\') {
    SetDlgItemTextA(page, IDC_GROUP_EDIT, chosen + length + 1);
  }
}

INT_PTR OnGroupCommand(HWND page, WORD control, WORD notification) {
  if (control != IDC_CHANGE || notification != BN_CLICKED) return FALSE;
  char chosen[kPathSize] = {};
  if (BrowseForFolder(page, chosen, CSIDL_PROGRAMS)) TakeChosenGroup(page, chosen);
  return TRUE;
}

INT_PTR OnGroupNotify(Wizard& wizard, HWND page, const NMHDR& header) {
  INT_PTR handled = FALSE;
  if (HandleCommonNotification(wizard, page, header.code, kGroupHelp, handled)) return handled;
  switch (header.code) {
    case PSN_SETACTIVE: {
      SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
      char group[kTextSize + 1] = {};
      Variable* groupVariable = wizard.variables.FindKey('H');
      if (groupVariable && groupVariable->GetValue(group, kTextSize) && group[0] != '\0')
        SetDlgItemTextA(page, IDC_GROUP_EDIT, group);
      return FALSE;
    }
    case PSN_KILLACTIVE: {
      SetPageResult(page, FALSE);
      char group[kTextSize] = {};
      GetDlgItemTextA(page, IDC_GROUP_EDIT, group, sizeof group);
      if (group[0] == '\0') {
        ShowPageMessage(page, "You must provide a group");
        SetPageResult(page, TRUE);
        return TRUE;
      }
      if (Variable* groupVariable = wizard.variables.FindKey('H')) groupVariable->SetValue(group);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK ShortcutsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Wizard* wizard = GetPageWizard(page, message, wParam, lParam);
  if (!wizard) return FALSE;
  ShowSidePicture(*wizard, page, message);
  return GuardPage(page, [&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        return OnShortcutsInit(*wizard, page);
      case WM_NOTIFY:
        return OnShortcutsNotify(*wizard, page, *reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
  });
}

INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Wizard* wizard = GetPageWizard(page, message, wParam, lParam);
  if (!wizard) return FALSE;
  ShowSidePicture(*wizard, page, message);
  return GuardPage(page, [&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        return TRUE;
      case WM_NOTIFY:
        return OnGroupNotify(*wizard, page, *reinterpret_cast<const NMHDR*>(lParam));
      case WM_COMMAND:
        return OnGroupCommand(page, LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
  });
}
