#include "engine/pass_messages.h"

namespace {

// The tick count of the last time a pass let messages through; 0 before
// the first, which therefore always happens.
DWORD g_lastPump = 0;
bool g_pumpedOnce = false;

// A pass must get back to its work even if something posts messages as
// fast as they are taken: the rest wait for the next safe point.
constexpr int kMostMessagesAtOnce = 200;

}  // namespace

void KeepPassAlive() {
  const DWORD now = GetTickCount();
  // Unsigned difference: right across the wrap of the tick count.
  if (g_pumpedOnce && now - g_lastPump < kPassPumpIntervalMs) return;
  g_pumpedOnce = true;
  MSG message;
  for (int taken = 0; taken < kMostMessagesAtOnce && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // Counted from the end: a drag of a window, which runs its own loop
  // inside the dispatch, is not followed by another round at once.
  g_lastPump = GetTickCount();
}

void PaintNow(HWND window) {
  if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

PassInputBlock::PassInputBlock(HWND mainWindow) : window_(mainWindow) {
  if (window_ && IsWindowEnabled(window_)) disabled_ = EnableWindow(window_, FALSE) == 0;
}

PassInputBlock::~PassInputBlock() {
  if (disabled_ && IsWindow(window_)) EnableWindow(window_, TRUE);
}
