#include "platform/dpi.h"

#include "platform/system_library.h"

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = GetSystemProc<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
  if (getDpiForWindow && window) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  UINT dpi = kDefaultDpi;
  if (HDC screen = GetDC(nullptr)) {
    dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  return dpi ? dpi : kDefaultDpi;
}

WORD PictureForDpi(UINT dpi, WORD at100, WORD at150, WORD at200) {
  if (dpi >= 2 * kDefaultDpi) return at200;
  if (2 * dpi >= 3 * kDefaultDpi) return at150;
  return at100;
}
