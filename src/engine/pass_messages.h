#pragma once
#include <windows.h>

// The install, removal and rollback passes run inside a step of the main
// window, on the program's one thread. So that their windows answer,
// repaint and can be moved meanwhile, a pass lets the waiting messages
// through at its safe points: between items, and between the chunks of a
// long copy. What gets dispatched there may paint, move a window or be
// refused; it never starts a step (the main window keeps step messages
// back while a step runs) and never reaches the main window's input
// (PassInputBlock).

// A pass lets messages through at most this often: well within the 100 ms
// in which a window should answer, and rare enough that a pass of many
// small files does not pay for it.
constexpr DWORD kPassPumpIntervalMs = 25;

// Lets the waiting messages through when the last time was at least
// kPassPumpIntervalMs ago. A quit message met on the way is posted again
// for the main loop.
void KeepPassAlive();

// Paints `window` and all its controls now: a window that a pass opens, or
// uncovers, is drawn whole before the pass's first item.
void PaintNow(HWND window);

// While it lives, the main window takes no keys or clicks, as under a modal
// dialog: its system menu, its caption buttons and the background start
// nothing while a pass works. The windows it owns (the progress or removal
// window, a file question) stay as they are.
class PassInputBlock {
public:
  explicit PassInputBlock(HWND mainWindow);
  ~PassInputBlock();
  PassInputBlock(const PassInputBlock&) = delete;
  PassInputBlock& operator=(const PassInputBlock&) = delete;

private:
  HWND window_;
  bool disabled_ = false;  // undone only if this block did it
};
