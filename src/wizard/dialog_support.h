#pragma once
#include <windows.h>

// Moves a window, keeping its size and its place in the Z order, into the
// work area (the screen less the taskbar): `xDivisor` of the free width
// from the left, centred vertically.
void PlaceInWorkArea(HWND window, int xDivisor);

// Centres a dialog in the work area.
inline void PlaceDialogInWorkArea(HWND dialog) { PlaceInWorkArea(dialog, 2); }
