#include "session/command_line.h"

#include <windows.h>

#include <cstring>

#include "platform/globals.h"
#include "platform/string_table.h"

bool ParseCommandLine(const char* commandLine) {
  g_commandPath[0] = '\0';
  if (!commandLine) return true;

  char start[5] = {};
  std::strncpy(start, commandLine, 4);
  const char* folder = commandLine;
  // "/U" quoted whole, as launchers that quote every argument write it.
  const bool quoted = lstrcmpiA(start, "\"/U\"") == 0 && (commandLine[4] == ' ' || commandLine[4] == '\0');
  start[2] = '\0';
  if (quoted || lstrcmpiA(start, "/U") == 0) {
    g_uninstallMode = 1;
    folder += quoted ? 4 : 2;
    while (*folder == ' ') ++folder;
  }

  std::size_t length = std::strlen(folder);
  if (length >= 2 && folder[0] == '"' && folder[length - 1] == '"') {
    ++folder;
    length -= 2;
  }
  if (length >= sizeof g_commandPath) return false;
  std::memcpy(g_commandPath, folder, length);
  g_commandPath[length] = '\0';
  return true;
}
