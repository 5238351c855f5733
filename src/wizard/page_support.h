#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

#include "platform/setup_error.h"
#include "wizard/dialog_support.h"

class Wizard;

// What the page procedures share: the answer to a notification, the sheet's
// buttons, the pages' message boxes and the guard that keeps exceptions
// out of the platform's frames.

// The answer to the notification being handled, for the sheet to read.
inline void SetPageResult(HWND page, LONG_PTR value) { SetWindowLongPtrA(page, DWLP_MSGRESULT, value); }

// Posted: the sheet updates its buttons once the page has been switched.
inline void SetWizardButtons(HWND page, DWORD buttons) {
  PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

// A message of a page: caption "Setup Wizard", OK, information icon.
void ShowPageMessage(HWND page, const char* text);

// "%lu Kb" of `bytes`, saturating at the largest 32-bit number of Kb.
void FormatKb(std::uint64_t bytes, char* buffer, std::size_t size);

// The notifications every page answers alike: help at the page's context
// and the cancelled sheet. True when `code` was one of them.
bool HandleCommonNotification(Wizard& wizard, HWND page, UINT code, DWORD helpContext, INT_PTR& handled);

// Runs a page's handler. A SetupError or an exhausted memory is reported
// and cancels the whole sheet: it must not unwind through the platform.
template <typename Handler>
INT_PTR GuardPage(HWND page, Handler&& handler);

void ReportPageFailure(HWND page, SetupError code);

template <typename Handler>
INT_PTR GuardPage(HWND page, Handler&& handler) {
  try {
    return handler();
  } catch (SetupError& code) {
    ReportPageFailure(page, code);
  } catch (...) {
    ReportPageFailure(page, SETUP_ERR_NO_MEMORY);
  }
  return FALSE;
}
