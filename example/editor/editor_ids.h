#pragma once
// Resource identifiers shared by editor.cpp and editor.rc.

#define IDR_EDITOR_MENU 100
#define IDM_FILE_EXIT 1001
#define IDM_HELP_ABOUT 1002
