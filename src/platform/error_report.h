#pragma once
#include <windows.h>

#include "platform/setup_error.h"

// Shows string-table text `id` in a message box captioned "Setup". Works
// before any session exists: it uses g_instance.
void ShowStringMessage(HWND owner, UINT id, UINT style);
// The same with `detail` (a path, say) on a line of its own below the text.
void ShowStringMessageWith(HWND owner, UINT id, const char* detail, UINT style);

// The fatal error report: the code's text over "Please contact ..." in a
// task-modal box without owner. Returns when the user has closed it.
void ShowErrorReport(HINSTANCE instance, SetupError code);

// The same report for a message composed by the caller (the code's text
// and what it concerns).
void ShowErrorReportText(const char* message);

// Composes the report's text into `buffer` (256 bytes are enough for every
// code text of the string table; longer texts are cut, never overrun).
void FormatErrorReport(HINSTANCE instance, SetupError code, char* buffer, int size);
// Puts a message into the report's frame, cut to `size`, never overrun.
void FrameErrorReport(const char* message, char* buffer, int size);
