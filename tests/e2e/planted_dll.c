/* Stands in for a DLL an attacker left in a download folder. When loaded it
 * writes "<its own path>.loaded", so a test can see that it was. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcpyA(path + length, ".loaded");
      HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
  }
  return TRUE;
}

/* The names the real DLLs export, so a loader that binds them finds them. */
__declspec(dllexport) void WINAPI InitCommonControls(void) {}
__declspec(dllexport) int WINAPI LZCopy(int a, int b) { (void)a; (void)b; return -1; }
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR a, LPDWORD b) { (void)a; (void)b; return 0; }
