#include "engine/restart_wininit.h"

#include <string>

#include "platform/unique_handle.h"

namespace {

bool ReadWhole(HANDLE file, std::string& text) {
  const DWORD size = GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  text.assign(size, '\0');
  DWORD read = 0;
  if (size > 0 && (!ReadFile(file, &text[0], size, &read, nullptr) || read != size)) return false;
  return true;
}

// The section name when the line from `start` to `end` is a "[name]"
// header (blanks before the bracket allowed, as the profile readers allow
// them); empty otherwise.
std::string SectionName(const std::string& text, std::size_t start, std::size_t end) {
  const std::size_t open = text.find_first_not_of(" \t", start);
  if (open == std::string::npos || open >= end || text[open] != '[') return std::string();
  const std::size_t close = text.find(']', open);
  if (close == std::string::npos || close >= end) return std::string();
  return text.substr(open + 1, close - open - 1);
}

// Where a line for the [rename] section goes: the start of the header line
// that ends the first [rename] section, or npos when that section runs to
// the end of the file or there is none (`found` tells which).
std::size_t EndOfRenameSection(const std::string& text, bool& found) {
  found = false;
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string section = SectionName(text, lineStart, lineEnd);
    if (!section.empty()) {
      if (found) return lineStart;
      found = lstrcmpiA(section.c_str(), "rename") == 0;
    }
    lineStart = lineEnd + 1;
  }
  return std::string::npos;
}

}  // namespace

bool AddWininitRename(const char* iniPath, const char* target, const char* source) {
  FileHandle file(
      CreateFileA(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string existing;
  if (!ReadWhole(file.get(), existing)) return false;

  const std::string line = std::string(target) + "=" + source + "\r\n";
  bool hasSection = false;
  std::size_t at = EndOfRenameSection(existing, hasSection);
  std::string text;
  if (at != std::string::npos) {
    // Only the first section of a name is read, so a second [rename]
    // further down would be ignored: the line joins the existing one.
    text = line + existing.substr(at);
  } else {
    at = existing.size();
    // A last line without a line break would otherwise swallow ours.
    if (!existing.empty() && existing.back() != '\n') text += "\r\n";
    if (!hasSection) text += "[rename]\r\n";
    text += line;
  }

  if (SetFilePointer(file.get(), static_cast<LONG>(at), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    return false;
  }
  DWORD written = 0;
  return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}
