// The installation folder page: the folder (variable 0), the space the
// files need and the space free on the folder's drive.
#include <windows.h>
#include <shlobj.h>

#include <cstdint>

#include "platform/globals.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "wizard/dialog_support.h"
#include "wizard/wizard_pages.h"
#include "wizard/wizard_sheet.h"

namespace {

const DWORD kFolderHelp = 4;

// Free bytes last found for the folder's drive; 0 after a failed query.
std::uint64_t g_freeSpace = 0;

void ShowSpace(HWND page, int control, std::uint64_t bytes) {
  char text[32];
  FormatKb(bytes, text, sizeof text);
  SetDlgItemTextA(page, control, text);
}

// Shows the free space of the drive that `folder` begins with; on failure
// the last figure stays.
void ShowFreeSpaceOf(HWND page, const char* folder) {
  if (GetDriveFreeSpace(folder[0], g_freeSpace)) ShowSpace(page, IDC_SPACE_AVAILABLE, g_freeSpace);
}

INT_PTR OnInit(Wizard& wizard, HWND page) {
  ShowSpace(page, IDC_SPACE_REQUIRED, wizard.owner.totalBytes);
  g_freeSpace = 0;
  return TRUE;
}

INT_PTR OnSetActive(Wizard& wizard, HWND page) {
  SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
  char folder[kTextSize + 1] = "C:\\";
  if (Variable* installFolder = wizard.variables.FindKey('0')) installFolder->GetValue(folder, kTextSize);
  SetDlgItemTextA(page, IDC_FOLDER_EDIT, folder);
  ShowFreeSpaceOf(page, folder);
  return FALSE;
}

INT_PTR OnKillActive(Wizard& wizard, HWND page) {
  char folder[kPathSize] = {};
  GetDlgItemTextA(page, IDC_FOLDER_EDIT, folder, sizeof folder);
  if (folder[0] == '\0') {
    ShowPageMessage(page, "You must provide a folder to install to");
    SetPageResult(page, TRUE);
    return TRUE;
  }
  if (!GetDriveFreeSpace(folder[0], g_freeSpace)) {
    ShowPageMessage(page, "Folder is not valid");
    SetPageResult(page, TRUE);
    return TRUE;
  }
  if (wizard.owner.totalBytes > g_freeSpace)
    ShowPageMessage(page, "There may not be enough space on the drive to install to");
  if (Variable* installFolder = wizard.variables.FindKey('0')) installFolder->SetValue(folder);
  SetPageResult(page, FALSE);
  return TRUE;
}

INT_PTR OnNotify(Wizard& wizard, HWND page, const NMHDR& header) {
  INT_PTR handled = FALSE;
  if (HandleCommonNotification(wizard, page, header.code, kFolderHelp, handled)) return handled;
  switch (header.code) {
    case PSN_SETACTIVE:
      return OnSetActive(wizard, page);
    case PSN_KILLACTIVE:
      return OnKillActive(wizard, page);
  }
  return FALSE;
}

INT_PTR OnCommand(HWND page, WORD control, WORD notification) {
  if (control == IDC_FOLDER_EDIT && notification == EN_CHANGE) {
    char folder[kTextSize] = {};
    GetDlgItemTextA(page, IDC_FOLDER_EDIT, folder, sizeof folder);
    ShowFreeSpaceOf(page, folder);
    return TRUE;
  }
  if (control == IDC_CHANGE && notification == BN_CLICKED) {
    char chosen[kPathSize] = {};
    // The new text raises EN_CHANGE, which shows the new drive's space.
    if (BrowseForFolder(page, chosen, CSIDL_DESKTOP)) SetDlgItemTextA(page, IDC_FOLDER_EDIT, chosen);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

bool GetDriveFreeSpace(char drive, std::uint64_t& freeBytes) {
  freeBytes = 0;
  if (drive == '\0') return false;
  char root[] = "x:\\";
  root[0] = drive;
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return false;
  freeBytes = static_cast<std::uint64_t>(freeClusters) * bytesPerSector * sectorsPerCluster;
  return true;
}

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  Wizard* wizard = GetPageWizard(page, message, wParam, lParam);
  if (!wizard) return FALSE;
  ShowSidePicture(*wizard, page, message);
  return GuardPage(page, [&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        return OnInit(*wizard, page);
      case WM_NOTIFY:
        return OnNotify(*wizard, page, *reinterpret_cast<const NMHDR*>(lParam));
      case WM_COMMAND:
        return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
  });
}
