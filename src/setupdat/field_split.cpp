#include "setupdat/field_split.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

bool LocateField(const char* text, char separator, int number, const char*& start, std::size_t& length) {
  if (!text || number < 0) return false;
  const char* position = text;
  for (int passed = 0; passed < number; ++passed) {
    position = std::strchr(position, separator);
    if (!position) return false;
    ++position;
  }
  if (*position == '\0') return false;
  const char* end = std::strchr(position, separator);
  start = position;
  length = end ? static_cast<std::size_t>(end - position) : std::strlen(position);
  return true;
}

bool FieldText(const char* text, char separator, int number, std::string& field) {
  const char* start = nullptr;
  std::size_t length = 0;
  if (!LocateField(text, separator, number, start, length)) return false;
  field.assign(start, length);
  return true;
}

bool FieldNumber(const char* text, char separator, int number, long& value) {
  const char* start = nullptr;
  std::size_t length = 0;
  if (!LocateField(text, separator, number, start, length)) return false;
  // strtol stops at the separator by itself: it is never a digit. The
  // installer's numbers are 32-bit wherever the kit runs: long digit runs
  // clamp there, not at the host's width. strtol rather than strtoll: where
  // long is 32-bit its own clamp is that one, and Setup.exe takes it from
  // the system's runtime instead of carrying a copy.
  const long long read = std::strtol(start, nullptr, 10);
  value = static_cast<long>(read > INT32_MAX ? INT32_MAX : (read < INT32_MIN ? INT32_MIN : read));
  return true;
}
