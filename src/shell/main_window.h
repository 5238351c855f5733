#pragma once
#include <windows.h>

bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window, shows it maximised and paints it.
bool CreateMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
