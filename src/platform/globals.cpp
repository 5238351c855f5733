#include "platform/globals.h"

HINSTANCE g_instance = nullptr;
DWORD g_uninstallMode = 0;
char g_commandPath[kPathSize] = {};
