#include "engine/restart_wininit.h"

#include <string>

#include "shell/unique_handle.h"

namespace {

bool ReadWhole(HANDLE file, std::string& text) {
  const DWORD size = GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  text.assign(size, '\0');
  DWORD read = 0;
  if (size > 0 && (!ReadFile(file, &text[0], size, &read, nullptr) || read != size)) return false;
  return true;
}

// The name of the last "[section]" header in the text, or empty when it
// has none. Leading blanks before the bracket are allowed, as the profile
// readers allow them.
std::string LastSection(const std::string& text) {
  std::string section;
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    std::size_t at = text.find_first_not_of(" \t", lineStart);
    if (at != std::string::npos && at < lineEnd && text[at] == '[') {
      const std::size_t close = text.find(']', at);
      if (close != std::string::npos && close < lineEnd) section = text.substr(at + 1, close - at - 1);
    }
    lineStart = lineEnd + 1;
  }
  return section;
}

}  // namespace

bool AppendWininitRename(const char* iniPath, const char* target, const char* source) {
  FileHandle file(CreateFileA(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string existing;
  if (!ReadWhole(file.get(), existing)) return false;

  std::string text;
  // A last line without a line break would otherwise swallow ours.
  if (!existing.empty() && existing.back() != '\n') text += "\r\n";
  // Only the [rename] section is worked off at the start, so a line left
  // in another section would never happen.
  if (lstrcmpiA(LastSection(existing).c_str(), "rename") != 0) text += "[rename]\r\n";
  text += target;
  text += "=";
  text += source;
  text += "\r\n";

  if (SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) return false;
  DWORD written = 0;
  return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}
