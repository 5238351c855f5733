#pragma once
#include <windows.h>

// Fills the area with bands of colour from `from` to `to`: top to bottom
// when `leftToRight` is 0, else left to right. Each band is one
// thirty-second of the span; after the last step the end colour holds.
void FillGradient(HDC dc, COLORREF from, COLORREF to, int left, int top, int right, int bottom, int leftToRight);
