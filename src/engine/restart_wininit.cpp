#include "engine/restart_wininit.h"

#include <string>

#include "platform/globals.h"
#include "platform/unique_handle.h"

namespace {

// The whole file, or the empty text when it does not exist. False when it
// exists and cannot be read.
bool ReadWhole(const char* path, std::string& text) {
  text.clear();
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!file) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  text.assign(size, '\0');
  DWORD read = 0;
  return size == 0 || (ReadFile(file.get(), &text[0], size, &read, nullptr) && read == size);
}

// Writes `text` to a new file beside `path` and gives it that name.
bool ReplaceWhole(const char* path, const std::string& text) {
  char folder[kPathSize];
  if (lstrlenA(path) >= kPathSize) return false;
  lstrcpynA(folder, path, kPathSize);
  char* backslash = nullptr;
  for (char* at = folder; *at; ++at) {
    if (*at == '\\') backslash = at;
  }
  if (!backslash) return false;
  *backslash = '\0';
  char fresh[kPathSize];
  if (!GetTempFileNameA(folder, "WIN", 0, fresh)) return false;
  {
    FileHandle file(CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileA(fresh);
      return false;
    }
  }
  if (MoveFileExA(fresh, path, MOVEFILE_REPLACE_EXISTING)) return true;
  // Windows 95 has no MoveFileExA: there the old file makes way first.
  if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED && (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) &&
      MoveFileA(fresh, path))
    return true;
  DeleteFileA(fresh);
  return false;
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

struct RenameSection {
  bool found = false;
  std::size_t header = std::string::npos;  // start of the header line
  std::size_t body = std::string::npos;  // first line after the header
  std::size_t end = std::string::npos;   // start of the next header, npos: the end of the file
};

// Only the first section of a name is read at the restart, so that is the
// one that counts.
RenameSection FindRenameSection(const std::string& text) {
  RenameSection section;
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string name = SectionName(text, lineStart, lineEnd);
    if (!name.empty()) {
      if (section.found) {
        section.end = lineStart;
        return section;
      }
      if (lstrcmpiA(name.c_str(), "rename") == 0) {
        section.found = true;
        section.header = lineStart;
        section.body = lineEnd + 1;
      }
    }
    lineStart = lineEnd + 1;
  }
  return section;
}

std::string LineText(const std::string& text, std::size_t start, std::size_t end) {
  std::string line = text.substr(start, end - start);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

// Where the line break that ends just before `at` begins; `at` itself
// when there is none.
std::size_t BreakBefore(const std::string& text, std::size_t at) {
  if (at == 0 || text[at - 1] != '\n') return at;
  --at;
  return at > 0 && text[at - 1] == '\r' ? at - 1 : at;
}

// A [rename] section left with nothing but its header at the very end of
// the file is the one AddWininitRename added: it goes, with the line break
// that was added before a header without one of its own.
void DropEmptyLastRenameSection(std::string& text) {
  const RenameSection section = FindRenameSection(text);
  if (!section.found || section.end != std::string::npos || section.body < text.size()) return;
  text.erase(section.body > text.size() ? BreakBefore(text, section.header) : section.header);
}

}  // namespace

bool AddWininitRename(const char* iniPath, const char* target, const char* source) {
  std::string text;
  if (!ReadWhole(iniPath, text)) return false;
  const std::string line = std::string(target) + "=" + source;
  const RenameSection section = FindRenameSection(text);
  if (section.end != std::string::npos) {
    text.insert(section.end, line + "\r\n");
    return ReplaceWhole(iniPath, text);
  }
  const std::string added = (section.found ? std::string() : std::string("[rename]\r\n")) + line;
  // A last line without a line break would otherwise swallow ours. The
  // break we put after it, and no break after ours, keeps the file such
  // that RemoveWininitRename gives it back byte for byte.
  if (!text.empty() && text.back() != '\n')
    text += "\r\n" + added;
  else
    text += added + "\r\n";
  return ReplaceWhole(iniPath, text);
}

bool RemoveWininitRename(const char* iniPath, const char* target, const char* source) {
  std::string text;
  if (!ReadWhole(iniPath, text)) return false;
  const RenameSection section = FindRenameSection(text);
  if (!section.found) return false;
  const std::string wanted = std::string(target) + "=" + source;
  const std::size_t sectionEnd = section.end == std::string::npos ? text.size() : section.end;
  for (std::size_t lineStart = section.body; lineStart < sectionEnd;) {
    std::size_t lineEnd = text.find('\n', lineStart);
    lineEnd = lineEnd == std::string::npos || lineEnd >= sectionEnd ? sectionEnd : lineEnd + 1;
    if (lstrcmpiA(LineText(text, lineStart, lineEnd).c_str(), wanted.c_str()) == 0) {
      // Our line without a break of its own is the file's last, written
      // after a break that we added.
      const std::size_t from = text[lineEnd - 1] != '\n' ? BreakBefore(text, lineStart) : lineStart;
      text.erase(from, lineEnd - from);
      DropEmptyLastRenameSection(text);
      // Nothing is left: the file was ours, and goes with it.
      if (text.empty()) return DeleteFileA(iniPath) != 0;
      return ReplaceWhole(iniPath, text);
    }
    lineStart = lineEnd;
  }
  return false;
}
