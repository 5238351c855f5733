#include "platform/globals.h"

HINSTANCE g_instance = nullptr;
DWORD g_uninstallMode = 0;
char g_commandPath[kPathSize] = {};
bool g_silent = false;
char g_folderSwitch[kPathSize] = {};
int g_exitCode = 0;
char g_copyFolder[kPathSize] = {};
char g_runningOriginal[kPathSize] = {};
bool g_userScope = false;
bool g_relaunched = false;
