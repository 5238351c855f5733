#include "setupdat/list_fields.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// Where field `number` begins and how long it is; false when absent.
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

}  // namespace

bool GetField(const char* text, char separator, GlobalBlock& field, int number) {
  const char* start = nullptr;
  std::size_t length = 0;
  if (!LocateField(text, separator, number, start, length)) return false;
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1);
  if (!handle) return false;
  GlobalBlock block(handle);
  {
    BlockLock<char> copy(block);
    if (!copy) return false;
    std::memcpy(copy.get(), start, length);  // the block is zero-filled: terminated
  }
  field = std::move(block);
  return true;
}

bool GetNumberField(const char* text, char separator, LONG& value, int number) {
  const char* start = nullptr;
  std::size_t length = 0;
  if (!LocateField(text, separator, number, start, length)) return false;
  // strtol stops at the separator by itself: it is never a digit. Long
  // digit runs clamp instead of overflowing.
  value = static_cast<LONG>(std::strtol(start, nullptr, 10));
  return true;
}
