#include "wizard/dialog_support.h"

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
