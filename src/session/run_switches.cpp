#include "session/run_switches.h"

#include <windows.h>

#include <cstring>

#include "platform/globals.h"
#include "platform/string_table.h"

namespace {

// Switch names are ASCII: compared without the locale, which the oldest
// systems would not know.
bool StartsWith(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    const char a = (*text >= 'a' && *text <= 'z') ? static_cast<char>(*text - 'a' + 'A') : *text;
    const char b = (*prefix >= 'a' && *prefix <= 'z') ? static_cast<char>(*prefix - 'a' + 'A') : *prefix;
    if (a != b) return false;
  }
  return true;
}

// The value of a "/X=" switch: up to the next " /" or the end, without
// surrounding blanks and one pair of quotes. False when it does not fit.
bool TakeValue(const char*& position, char* value, std::size_t size) {
  const char* start = position;
  const char* end = std::strstr(start, " /");
  if (!end) end = start + std::strlen(start);
  position = end;
  while (end > start && end[-1] == ' ') --end;
  if (end - start >= 2 && *start == '"' && end[-1] == '"') {
    ++start;
    --end;
  }
  const std::size_t length = static_cast<std::size_t>(end - start);
  if (length >= size) return false;
  std::memcpy(value, start, length);
  value[length] = '\0';
  return true;
}

// The switch that stands at `position`, for the report of one unknown.
void NameSwitch(const char* position, char* unknown, std::size_t size) {
  std::size_t length = 0;
  while (position[length] && position[length] != ' ') ++length;
  if (length >= size) length = size - 1;
  std::memcpy(unknown, position, length);
  unknown[length] = '\0';
}

}  // namespace

bool TakeLeadingSwitches(const char*& commandLine, char* logPath, std::size_t logSize, char* unknown,
                         std::size_t unknownSize) {
  g_silent = false;
  g_folderSwitch[0] = '\0';
  logPath[0] = '\0';
  unknown[0] = '\0';
  if (!commandLine) return true;
  const char* position = commandLine;
  for (;;) {
    while (*position == ' ') ++position;
    if (*position != '/') break;
    if (StartsWith(position, "/S") && (position[2] == ' ' || position[2] == '\0')) {
      g_silent = true;
      position += 2;
    } else if (StartsWith(position, "/D=")) {
      position += 3;
      if (!TakeValue(position, g_folderSwitch, sizeof g_folderSwitch)) {
        CopyText(unknown, unknownSize, "/D=");
        return false;
      }
    } else if (StartsWith(position, "/LOG=")) {
      position += 5;
      if (!TakeValue(position, logPath, logSize)) {
        CopyText(unknown, unknownSize, "/LOG=");
        return false;
      }
    } else if (StartsWith(position, "/U")) {
      break;
    } else {
      NameSwitch(position, unknown, unknownSize);
      return false;
    }
  }
  commandLine = position;
  return true;
}
