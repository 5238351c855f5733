#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/setup_error.h"

class Wizard;

// Moves a window, keeping its size and its place in the Z order, into the
// work area (the screen less the taskbar): `xDivisor` of the free width
// from the left, centred vertically.
void PlaceInWorkArea(HWND window, int xDivisor);

// Centres a dialog in the work area.
inline void PlaceDialogInWorkArea(HWND dialog) { PlaceInWorkArea(dialog, 2); }

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

// Reports a failure inside a page with the fatal error report and cancels
// the sheet, which ends the run as a cancel does.
void ReportPageFailure(HWND page, SetupError code);
// The same for the exception being handled: its code (CaughtError), the
// general failure for any other exception.
void ReportCaughtPageFailure(HWND page);

// Runs a page's handler. A SetupError or an exhausted memory is reported
// and cancels the whole sheet, as is any other exception: none may unwind
// through the platform's frames.
template <typename Handler>
INT_PTR GuardPage(HWND page, Handler&& handler) {
  try {
    return handler();
  } catch (...) {
    ReportCaughtPageFailure(page);
  }
  return FALSE;
}
