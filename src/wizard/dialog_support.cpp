#include "wizard/dialog_support.h"

#include "platform/error_report.h"
#include "platform/format_text.h"
#include "platform/globals.h"
#include "wizard/wizard_sheet.h"

void PlaceInWorkArea(HWND window, int xDivisor) {
  RECT work = {};
  RECT frame = {};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(window, &frame)) return;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = work.left + (work.right - work.left - width) / xDivisor;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ShowPageMessage(HWND page, const char* text) {
  MessageBoxA(page, text, "Setup Wizard", MB_OK | MB_ICONINFORMATION);
}

void FormatKb(std::uint64_t bytes, char* buffer, std::size_t size) {
  std::uint64_t kb = bytes / 1024;
  if (kb > 0xFFFFFFFFu) kb = 0xFFFFFFFFu;
  FormatText(buffer, size, "%lu Kb", static_cast<unsigned long>(kb));
}

bool HandleCommonNotification(Wizard& wizard, HWND page, UINT code, DWORD helpContext, INT_PTR& handled) {
  switch (code) {
    case PSN_HELP:
      wizard.ShowHelp(helpContext);
      handled = TRUE;
      return true;
    case PSN_RESET:
      SetPageResult(page, 0);
      handled = FALSE;
      return true;
  }
  return false;
}

void ReportPageFailure(HWND page, SetupError code) {
  ShowErrorReport(g_instance, code);
  PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void ReportCaughtPageFailure(HWND page) {
  SetupError code = SETUP_ERR_GENERAL;
  try {
    code = CaughtError();
  } catch (...) {
  }
  ReportPageFailure(page, code);
}
