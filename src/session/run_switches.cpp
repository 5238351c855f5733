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

// Where a value that starts at `start` ends: at the next blank that
// begins another switch ("/X", or "\"/X" quoted whole) outside quotes,
// or at the end. A folder may hold " /" inside its quotes.
const char* ValueEnd(const char* start) {
  bool quoted = false;
  for (const char* at = start; *at; ++at) {
    if (*at == '"') quoted = !quoted;
    if (!quoted && at[0] == ' ' && (at[1] == '/' || (at[1] == '"' && at[2] == '/'))) return at;
  }
  return start + std::strlen(start);
}

// The value between `start` and `end` without surrounding blanks and one
// pair of quotes. False when it does not fit.
bool TakeValue(const char* start, const char* end, char* value, std::size_t size) {
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
  g_relaunched = false;
  g_folderSwitch[0] = '\0';
  logPath[0] = '\0';
  unknown[0] = '\0';
  if (!commandLine) return true;
  const char* position = commandLine;
  for (;;) {
    while (*position == ' ') ++position;
    // A launcher that quotes every argument hands over "/D=C:\Program
    // Files\X" quoted whole: the switch is what the quotes enclose.
    const bool quotedWhole = position[0] == '"' && position[1] == '/';
    const char* name = quotedWhole ? position + 1 : position;
    if (*name != '/') break;
    const char* close = quotedWhole ? std::strchr(name, '"') : nullptr;
    if (quotedWhole && (!close || (close[1] != ' ' && close[1] != '\0'))) {
      NameSwitch(position, unknown, unknownSize);
      return false;
    }
    // The switch's own text ends at its closing quote, or for a value at
    // the next switch, else at the next blank.
    const char* after = quotedWhole ? close + 1 : nullptr;
    const char* end = quotedWhole ? close : name + std::strcspn(name, " ");
    // "/U" ends the switches: it belongs to the command line that follows.
    if (StartsWith(name, "/U")) break;
    if (StartsWith(name, "/S") && end == name + 2) {
      g_silent = true;
    } else if (StartsWith(name, "/ELEVATED") && end == name + 9) {
      g_relaunched = true;
    } else if (StartsWith(name, "/D=") || StartsWith(name, "/LOG=")) {
      const bool folder = name[1] == 'D' || name[1] == 'd';
      const char* value = name + (folder ? 3 : 5);
      if (!quotedWhole) end = ValueEnd(value);
      if (!TakeValue(value, end, folder ? g_folderSwitch : logPath, folder ? sizeof g_folderSwitch : logSize)) {
        CopyText(unknown, unknownSize, folder ? "/D=" : "/LOG=");
        return false;
      }
    } else {
      NameSwitch(position, unknown, unknownSize);
      return false;
    }
    position = after ? after : end;
  }
  commandLine = position;
  return true;
}
