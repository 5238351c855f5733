#include "setupdat/list_section.h"

#include <windows.h>

#include <cstring>
#include <unordered_map>

#include "platform/unique_handle.h"

namespace {

// What the profile reader trims: white space, and the ^Z that old editors
// left at the end of a file.
bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A || c == 0xA0; }

std::string Folded(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// One pair of enclosing quotes goes.
std::string Unquoted(const char* start, const char* end) {
  const std::size_t length = static_cast<std::size_t>(end - start);
  if (length >= 2 && (*start == '"' || *start == '\'') && end[-1] == *start) return std::string(start + 1, end - 1);
  return std::string(start, end);
}

struct RawLine {
  std::string key;
  std::string value;
  bool hasValue;
};

}  // namespace

bool SplitSection(const std::string& text, const char* name, std::vector<ListSection::Line>& lines) {
  lines.clear();
  // The name asked for is trimmed; a section's own name is taken as written.
  const char* wantedStart = name;
  while (*wantedStart && IsBlank(static_cast<unsigned char>(*wantedStart))) ++wantedStart;
  const char* wantedEnd = wantedStart + std::strlen(wantedStart);
  while (wantedEnd > wantedStart && IsBlank(static_cast<unsigned char>(wantedEnd[-1]))) --wantedEnd;
  const std::string wanted = Folded(std::string(wantedStart, wantedEnd));

  std::vector<RawLine> raw;
  bool found = false;
  bool inside = false;
  const char* position = text.data();
  const char* const end = position + text.size();
  // A file that begins with the UTF-8 mark is read without it.
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) position += 3;
  while (position < end) {
    const char* lineStart = position;
    while (position < end && *position != '\r' && *position != '\n') ++position;
    const char* lineEnd = position;
    while (position < end && (*position == '\r' || *position == '\n')) ++position;
    while (lineStart < lineEnd && IsBlank(static_cast<unsigned char>(*lineStart))) ++lineStart;
    while (lineEnd > lineStart && IsBlank(static_cast<unsigned char>(lineEnd[-1]))) --lineEnd;
    if (lineStart == lineEnd) continue;

    if (*lineStart == '[') {
      const char* close = lineEnd - 1;
      while (close > lineStart && *close != ']') --close;
      if (*close == ']') {
        if (inside) break;  // only the first section of a name counts
        inside = Folded(std::string(lineStart + 1, close)) == wanted;
        found = found || inside;
        continue;
      }
    }
    if (!inside) continue;
    const char* equals = lineStart;
    while (equals < lineEnd && *equals != '=') ++equals;
    RawLine line;
    line.hasValue = equals < lineEnd;
    if (!line.hasValue) {
      line.key.assign(lineStart, lineEnd);
    } else {
      const char* keyEnd = equals;
      while (keyEnd > lineStart && IsBlank(static_cast<unsigned char>(keyEnd[-1]))) --keyEnd;
      const char* valueStart = equals + 1;
      while (valueStart < lineEnd && IsBlank(static_cast<unsigned char>(*valueStart))) ++valueStart;
      line.key.assign(lineStart, keyEnd);
      line.value = Unquoted(valueStart, lineEnd);
    }
    raw.push_back(std::move(line));
  }
  if (!found) return false;

  // Each key reads as the first line of its name, whatever that line holds.
  std::unordered_map<std::string, std::size_t> first;
  first.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) first.emplace(Folded(raw[i].key), i);
  lines.reserve(raw.size());
  for (const RawLine& line : raw) {
    if (!line.hasValue || line.key.empty() || line.key[0] == ';') continue;
    const RawLine& firstLine = raw[first[Folded(line.key)]];
    // A first line without "=" gives the key no value: the reader's
    // default, which marks the key as absent.
    lines.push_back(ListSection::Line{line.key, firstLine.hasValue ? firstLine.value : std::string("!")});
  }
  return true;
}

bool ListSection::Read(const char* path, const char* name) {
  lines_.clear();
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  std::string text(size, '\0');
  DWORD read = 0;
  if (size > 0 && (!ReadFile(file.get(), &text[0], size, &read, nullptr) || read != size)) return false;
  return SplitSection(text, name, lines_);
}
