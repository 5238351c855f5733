// What stands before the wizard: the product's application must be closed
// (it is recognised by the class of its main window), so that its files are
// not in use, and the licence named by "License" must be accepted.
#include <cstdio>

#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/global_memory.h"
#include "platform/globals.h"
#include "platform/string_table.h"
#include "platform/unique_handle.h"
#include "resources/resource_ids.h"
#include "session/setup_session.h"
#include "wizard/dialog_support.h"
#include "wizard/wizard.h"

namespace {

// The path of the licence file in the installation set; false when the
// set has no licence. A path too long to open is a missing file.
bool LicensePath(const SetupSession& session, char (&path)[kPathSize]) {
  Variable* license = session.variables->FindKey('L');
  Variable* setFolder = session.variables->FindKey('I');
  if (!license || !setFolder) return false;
  char folder[kPathSize + 1] = {};
  char name[kPathSize + 1] = {};
  setFolder->GetValue(folder, kPathSize);
  license->GetValue(name, kPathSize);
  if (!CopyText(path, sizeof path, folder) || !AppendText(path, sizeof path, "\\") ||
      !AppendText(path, sizeof path, name))
    ThrowSetupError(SETUP_ERR_MISSING_FILE);
  return true;
}

// The whole file in a zero-filled block one byte longer, so that it ends
// in a zero byte. Throws 302 for a file that cannot be read or is empty.
GlobalBlock ReadLicenseText(const char* path) {
  FileHandle file(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowSetupError(SETUP_ERR_MISSING_FILE);
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) ThrowSetupError(SETUP_ERR_MISSING_FILE);
  GlobalBlock text = GlobalBlock::Allocate(static_cast<std::size_t>(size) + 1);
  BlockLock<char> bytes(text);
  if (!bytes) ThrowSetupError(SETUP_ERR_NO_MEMORY);
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.get(), size, &read, nullptr) || read == 0) ThrowSetupError(SETUP_ERR_MISSING_FILE);
  return text;
}

INT_PTR OnInit(HWND dialog, LPARAM text) {
  PlaceDialogInWorkArea(dialog);
  BlockLock<char> bytes(reinterpret_cast<HGLOBAL>(text));
  if (bytes) SetDlgItemTextA(dialog, IDC_LICENSE_TEXT, bytes.get());
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, WORD control) {
  if (control == IDOK) EndDialog(dialog, IDOK);
  if (control == IDCANCEL) EndDialog(dialog, IDCANCEL);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit(dialog, lParam);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
  }
  return FALSE;
}

bool ShowLicense(SetupSession& session) {
  if (!session.variables) return true;
  try {
    char path[kPathSize] = {};
    if (!LicensePath(session, path)) return true;
    GlobalBlock text = ReadLicenseText(path);
    const INT_PTR answer = DialogBoxParamA(session.instance, MAKEINTRESOURCEA(IDD_LICENSE), session.window,
                                           LicenseDlgProc, reinterpret_cast<LPARAM>(text.get()));
    return answer == IDOK;
  } catch (SetupError& code) {
    session.ReportError(code);
    return false;
  }
}

bool ApplicationStillRunning(const SetupSession& session) {
  Variable* check = session.variables ? session.variables->FindKey('C') : nullptr;
  if (!check) return false;
  char windowClass[kPathSize + 1] = {};
  check->GetValue(windowClass, kPathSize);
  return FindWindowA(windowClass, nullptr) != nullptr;
}

bool CheckRunningApplication(SetupSession& session, int& cancelled) {
  cancelled = 0;
  if (!ApplicationStillRunning(session)) return false;

  char name[kPathSize + 1] = "The application";
  if (Variable* application = session.variables->FindKey('A')) application->GetValue(name, kPathSize);
  char format[kPathSize];
  LoadNameString(session.instance, IDS_APP_STILL_OPEN, format, sizeof format);
  char text[kPathSize];
  FormatText(text, sizeof text, format, name);

  if (MessageBoxA(session.window, text, "Setup", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
    cancelled = 0;
    return true;
  }
  cancelled = 1;
  return false;
}
