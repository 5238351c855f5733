#pragma once
#include <windows.h>

#include "platform/globals.h"

class SetupSession;

// Dialog procedure of the modeless progress window; the session arrives as
// the creation parameter.
INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Centres a window of the passes over the client area of its owner (the
// main window, which fills the screen).
void CentreOnOwner(HWND dialog);

// What the progress window is to show next. Repainting a text or the bar
// costs more than copying a small file, and nobody reads a hundred names a
// second: changes wait here and reach the screen at most every
// kProgressRepaintMs, while the last state always does (FlushProgress).
struct ProgressDisplay {
  static constexpr DWORD kProgressRepaintMs = 30;
  static constexpr int kShownSize = 50 + 1;  // a shown path and its terminator

  char description[kTextSize] = {};
  char file[kShownSize] = {};
  bool textWaiting = false;
  bool barWaiting = false;
  // The bar, in bytes and the bytes that the fixed costs of items stand for
  // (progress_weights.h): the whole pass, what is done, and how far the copy
  // of the current file has come.
  unsigned long long total = 0;
  unsigned long long done = 0;
  unsigned long long copying = 0;
  bool painted = false;  // something has been shown since the window opened
  DWORD paintedAt = 0;   // GetTickCount of the last repaint

  // A count of the bar (KiB), within the range of its messages.
  static int Shown(unsigned long long bytes) {
    const unsigned long long kib = bytes / 1024;
    return kib > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(kib);
  }
};

// The file being installed and its description. The path is shortened to
// at most 50 characters.
void SetProgressText(SetupSession& session, const char* description, const char* path);
// Counts `bytes` of files as done and moves the bar; the step that
// completes the total is always shown at once.
void AdvanceProgress(SetupSession& session, DWORD bytes);
// Counts the fixed cost of an item done, as AdvanceProgress counts bytes.
void AdvanceProgressFixed(SetupSession& session, unsigned long long cost);
// How far the copy of the current file has come: moves the bar within the
// file, without counting anything as done (a retry starts over).
void ShowCopyProgress(SetupSession& session, DWORD bytesCopied);
// Shows at once whatever still waits: before a question about the current
// file, and at the end of the file pass.
void FlushProgress(SetupSession& session);
// A new stage of the pass (its description, no file), shown at once.
void ShowProgressStage(SetupSession& session, const char* description);
