#pragma once
#include <windows.h>

#include <cstdint>

// The five pages of the wizard, in sheet order: welcome, installation
// folder, shortcut choices, Start-menu group, ready to install.
constexpr int kWizardPageCount = 5;

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ShortcutsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Free bytes on the drive named by `drive`, computed in 64 bits: a large
// drive must neither show a wrapped figure nor pass or fail the space check
// by accident. False, with 0, when the drive cannot be queried.
bool GetDriveFreeSpace(char drive, std::uint64_t& freeBytes);

// Lets the user pick a file-system folder below the special folder `root`;
// true with its path in `path` (at least MAX_PATH bytes).
bool BrowseForFolder(HWND owner, char* path, int root);

// The path of the Start menu's Programs folder (MAX_PATH bytes).
bool GetProgramsFolder(HWND owner, char* path);
