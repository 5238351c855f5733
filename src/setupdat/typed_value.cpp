#include "setupdat/typed_value.h"

namespace {

// The length of `word` when `text` begins with it, ignoring case; else 0.
std::size_t StartsWith(const char* text, const char* word) {
  std::size_t at = 0;
  for (; word[at]; ++at) {
    char c = text[at];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[at]) return 0;
  }
  return at;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TypedValue ReadTypedValue(const char* data) {
  TypedValue value;
  if (!data) return value;
  if (data[0] == '\\' && (StartsWith(data + 1, "dword:") || StartsWith(data + 1, "expand:"))) {
    value.dataStart = 1;
    return value;
  }
  if (const std::size_t start = StartsWith(data, "expand:")) {
    value.kind = ValueKind::kExpand;
    value.dataStart = start;
    return value;
  }
  const std::size_t start = StartsWith(data, "dword:");
  if (!start) return value;
  value.dataStart = start;
  value.kind = ValueKind::kBadDword;
  std::size_t digits = 0;
  unsigned long number = 0;
  for (const char* at = data + start; *at; ++at, ++digits) {
    const int digit = HexDigit(*at);
    // Nine digits would not fit: refused rather than cut.
    if (digit < 0 || digits == 8) return value;
    number = number * 16 + static_cast<unsigned long>(digit);
  }
  if (digits == 0) return value;
  value.kind = ValueKind::kDword;
  value.number = number;
  return value;
}
