/* A program that records that it was started: one line per start, its
   first argument and its working folder, appended to launched.txt beside
   itself. The completion scenarios start it as the product's program and
   as the program that opens its release notes. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  char log[MAX_PATH];
  char folder[MAX_PATH];
  DWORD length = GetModuleFileNameA(NULL, log, MAX_PATH);
  char* slash = strrchr(log, '\\');
  FILE* file;
  (void)instance;
  (void)previous;
  (void)show;
  if (length == 0 || length >= MAX_PATH || !slash || (size_t)(slash - log) + 14 >= MAX_PATH) return 1;
  strcpy(slash + 1, "launched.txt");
  if (!GetCurrentDirectoryA(MAX_PATH, folder)) folder[0] = '\0';
  file = fopen(log, "a");
  if (!file) return 1;
  fprintf(file, "%s|%s\n", commandLine, folder);
  fclose(file);
  return 0;
}
