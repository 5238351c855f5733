#include "wizard/wizard_sheet.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/dpi.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "platform/picture.h"
#include "platform/string_table.h"
#include "platform/system_library.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "variables/variable_table.h"
#include "wizard/wizard.h"
#include "wizard/wizard_pages.h"

namespace {

struct PageTemplate {
  WORD dialog;
  DLGPROC procedure;
};

// Sheet order; the shortcuts page jumps over the group page by its
// dialog number, so the order and the numbers must stay together.
const PageTemplate kPages[kWizardPageCount] = {
    {IDD_WELCOME_PAGE, WelcomePageProc},     {IDD_FOLDER_PAGE, FolderPageProc},
    {IDD_SHORTCUTS_PAGE, ShortcutsPageProc}, {IDD_GROUP_PAGE, GroupPageProc},
    {IDD_READY_PAGE, ReadyPageProc},
};

using PropertySheetFn = INT_PTR(WINAPI*)(LPCPROPSHEETHEADERA);

// Sent to child windows, pages included, after their top-level window has
// moved to a monitor of another dpi (Windows 10 1703 and later).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// 12 points at the dpi of the window the sheet opens over; the screen's is
// the system's, which differs on another monitor under per-monitor awareness.
HFONT CreateTitleFont(UINT dpi) {
  const int height = -MulDiv(12, static_cast<int>(dpi), 72);
  return CreateFontA(height, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "");
}

}  // namespace

Wizard::Wizard(SetupSession& session, VariableTable& table)
    : titleFont(CreateTitleFont(WindowDpi(session.window))),
      owner(session),
      variables(table),
      linkGroup(session.linkGroup),
      linkDesktop(session.linkDesktop),
      linkStartup(session.linkStartup) {}

Wizard::~Wizard() {
  if (helpShown) ShowHelp(0);
}

DWORD Wizard::Run() {
  // The first version of the record: every comctl32 since Windows 95
  // understands it, and the pages need nothing newer. The sheet steps from
  // record to record by their size, so the array must be of that version.
  PROPSHEETPAGEA_V1 pages[kWizardPageCount] = {};
  // The sheet hides its Help button when no page has help.
  const DWORD pageFlags = FindHelpFile() ? PSP_HASHELP : 0;
  for (int index = 0; index < kWizardPageCount; ++index) {
    PROPSHEETPAGEA_V1& page = pages[index];
    page.dwSize = sizeof page;
    page.dwFlags = pageFlags;
    page.hInstance = owner.instance;
    page.pszTemplate = MAKEINTRESOURCEA(kPages[index].dialog);
    page.pfnDlgProc = kPages[index].procedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = PROPSHEETHEADERA_V1_SIZE;  // no newer member is used
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD;
  header.hwndParent = owner.window;
  header.hInstance = owner.instance;
  header.pszCaption = "Setup Wizard";
  header.nPages = kWizardPageCount;
  header.nStartPage = 0;
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);

  result = 0;
  // comctl32 is taken from the system folder; start-up has made sure it
  // loads, so a missing entry point only means no wizard and no install.
  if (auto propertySheet = GetSystemProc<PropertySheetFn>("comctl32.dll", "PropertySheetA")) propertySheet(&header);
  // The passes that follow do not pump messages: repaint the backdrop the
  // sheet uncovered now, or its picture stays on screen while they run.
  UpdateWindow(owner.window);
  owner.linkGroup = linkGroup;
  owner.linkStartup = linkStartup;
  owner.linkDesktop = linkDesktop;
  return result;
}

bool Wizard::FindHelpFile() {
  helpFile[0] = '\0';
  // "NAME>WINDOW": the file is looked for in the set's folder only, where
  // the author put it; a help file elsewhere on the machine is not ours.
  char named[kPathSize];
  char folder[kPathSize];
  const Variable* set = variables.FindKey('I');
  if (!set || !set->GetValue(folder, sizeof folder) ||
      !LoadTableString(owner.instance, IDS_HELP_FILE, named, sizeof named))
    return false;
  char* window = std::strchr(named, '>');
  if (window) *window = '\0';
  char path[kPathSize];
  if (FormatText(path, sizeof path, "%s\\%s", folder, named) < 0) return false;
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return FormatText(helpFile, sizeof helpFile, "%s%s%s", path, window ? ">" : "", window ? window + 1 : "") >= 0;
}

void Wizard::ShowHelp(DWORD context) {
  if (!helpFile[0]) return;
  if (context == 0) {
    WinHelpA(owner.window, helpFile, HELP_QUIT, 0);
    return;
  }
  helpShown = WinHelpA(owner.window, helpFile, HELP_CONTEXT, context);
}

HBITMAP Wizard::SidePicture(UINT dpi) {
  const WORD picture = PictureForDpi(dpi, IDB_WIZARD, IDB_WIZARD_150, IDB_WIZARD_200);
  GdiObject& slot = sidePictures[picture == IDB_WIZARD ? 0 : picture == IDB_WIZARD_150 ? 1 : 2];
  if (!slot) slot = LoadPicture(owner.instance, picture);
  return static_cast<HBITMAP>(slot.get());
}

void ShowSidePicture(Wizard& wizard, HWND page, UINT message) {
  if (message != WM_INITDIALOG && message != kDpiChangedAfterParent) return;
  // The frame does not own what it shows: the Wizard keeps every picture
  // until the sheet is gone.
  if (HBITMAP picture = wizard.SidePicture(WindowDpi(page)))
    SendDlgItemMessageA(page, IDC_WIZARD_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

Wizard* GetPageWizard(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(page, DWLP_USER, lParam);
    return reinterpret_cast<Wizard*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
  }
  auto record = reinterpret_cast<PROPSHEETPAGEA*>(GetWindowLongPtrA(page, DWLP_USER));
  return record ? reinterpret_cast<Wizard*>(record->lParam) : nullptr;
}

bool RunWizard(SetupSession& session) {
  if (!session.variables) return false;
  std::unique_ptr<Wizard> wizard(new (std::nothrow) Wizard(session, *session.variables));
  if (!wizard) return false;
  return wizard->Run() == 1;
}
