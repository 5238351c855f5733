#pragma once
#include <windows.h>

// Dots per inch as the system sees them, per window. Setup.exe is per-monitor
// aware where the system can be (its manifest asks for it), so a window's
// dpi follows the monitor it is on; before Windows 10 it is the system's.

constexpr UINT kDefaultDpi = 96;

// The dpi of `window`'s monitor where the system keeps one per window (looked
// up at run time: older systems lack it), else the screen's.
UINT WindowDpi(HWND window);

// A length in pixels at 96 dpi, at `dpi`.
inline int ScaleToDpi(int length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), kDefaultDpi); }

// The pictures come at 100%, 150% and 200%: the largest that is no larger than
// `dpi` asks for, so that a picture never overflows the frame it is drawn for.
// Returns the resource of that size among three given for 100, 150 and 200%.
WORD PictureForDpi(UINT dpi, WORD at100, WORD at150, WORD at200);
