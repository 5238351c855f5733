#include "setupdat/section_split.h"

#include <cstdint>
#include <cstring>

namespace {

// What the profile reader trims: white space, and the ^Z that old editors
// left at the end of a file.
bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

unsigned char UpperOf(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - ('a' - 'A'));
  // Latin-1 letters sit 0x20 above their capitals, but for the division sign.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  // The code page's own letters outside the Latin-1 range: s, o-e and z
  // with caron or ligature, and y with diaeresis.
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

// One pair of enclosing quotes goes.
std::string Unquoted(const char* start, const char* end) {
  const std::size_t length = static_cast<std::size_t>(end - start);
  if (length >= 2 && (*start == '"' || *start == '\'') && end[-1] == *start) return std::string(start + 1, end - 1);
  return std::string(start, end);
}

// FNV-1a, enough to spread key names over the table.
std::size_t KeyHash(const std::string& key) {
  std::uint32_t hash = 2166136261u;
  for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

struct RawLine {
  std::string key;
  std::string value;
  bool hasValue;
  int number;
};

}  // namespace

std::string FoldCase(std::string text) {
  for (char& c : text) c = static_cast<char>(UpperOf(static_cast<unsigned char>(c)));
  return text;
}

bool SplitSection(const std::string& text, const char* name, std::vector<SectionLine>& lines) {
  lines.clear();
  // The name asked for is trimmed; a section's own name is taken as written.
  const char* wantedStart = name;
  while (*wantedStart && IsBlank(static_cast<unsigned char>(*wantedStart))) ++wantedStart;
  const char* wantedEnd = wantedStart + std::strlen(wantedStart);
  while (wantedEnd > wantedStart && IsBlank(static_cast<unsigned char>(wantedEnd[-1]))) --wantedEnd;
  const std::string wanted = FoldCase(std::string(wantedStart, wantedEnd));

  std::vector<RawLine> raw;
  bool found = false;
  bool inside = false;
  int number = 1;
  const char* position = text.data();
  const char* const end = position + text.size();
  while (position < end) {
    const char* lineStart = position;
    const int lineNumber = number;
    while (position < end && *position != '\r' && *position != '\n') ++position;
    const char* lineEnd = position;
    // CR LF is one line end; a lone CR or LF is one as well.
    while (position < end && (*position == '\r' || *position == '\n')) {
      if (*position == '\n' || position + 1 == end || position[1] != '\n') ++number;
      ++position;
    }
    while (lineStart < lineEnd && IsBlank(static_cast<unsigned char>(*lineStart))) ++lineStart;
    while (lineEnd > lineStart && IsBlank(static_cast<unsigned char>(lineEnd[-1]))) --lineEnd;
    if (lineStart == lineEnd) continue;

    if (*lineStart == '[') {
      const char* close = lineEnd - 1;
      while (close > lineStart && *close != ']') --close;
      if (*close == ']') {
        if (inside) break;  // only the first section of a name counts
        inside = FoldCase(std::string(lineStart + 1, close)) == wanted;
        found = found || inside;
        continue;
      }
    }
    if (!inside) continue;
    const char* equals = lineStart;
    while (equals < lineEnd && *equals != '=') ++equals;
    RawLine line;
    line.hasValue = equals < lineEnd;
    line.number = lineNumber;
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
  // The first lines are found through an open-addressed table of line
  // numbers, at least half empty: the standard hash map weighed more than
  // this whole file in Setup.exe.
  std::vector<std::string> folded;
  folded.reserve(raw.size());
  for (const RawLine& line : raw) folded.push_back(FoldCase(line.key));
  std::size_t slotCount = 1;
  while (slotCount < 2 * raw.size() + 1) slotCount <<= 1;
  const std::size_t empty = static_cast<std::size_t>(-1);
  std::vector<std::size_t> slots(slotCount, empty);
  std::vector<std::size_t> first(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::size_t slot = KeyHash(folded[i]) & (slotCount - 1);
    while (slots[slot] != empty && folded[slots[slot]] != folded[i]) slot = (slot + 1) & (slotCount - 1);
    if (slots[slot] == empty) slots[slot] = i;
    first[i] = slots[slot];
  }
  lines.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const RawLine& line = raw[i];
    if (!line.hasValue || line.key.empty() || line.key[0] == ';') continue;
    const RawLine& firstLine = raw[first[i]];
    // A first line without "=" gives the key no value: the reader's
    // default, which marks the key as absent.
    SectionLine out;
    out.key = line.key;
    out.value = firstLine.hasValue ? firstLine.value : std::string("!");
    out.number = line.number;
    lines.push_back(std::move(out));
  }
  return true;
}
