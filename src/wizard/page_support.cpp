#include "wizard/page_support.h"

#include <cstdio>

#include "platform/error_report.h"
#include "platform/globals.h"
#include "wizard/wizard_sheet.h"

void ShowPageMessage(HWND page, const char* text) {
  MessageBoxA(page, text, "Setup Wizard", MB_OK | MB_ICONINFORMATION);
}

void FormatKb(std::uint64_t bytes, char* buffer, std::size_t size) {
  std::uint64_t kb = bytes / 1024;
  if (kb > 0xFFFFFFFFu) kb = 0xFFFFFFFFu;
  std::snprintf(buffer, size, "%lu Kb", static_cast<unsigned long>(kb));
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
