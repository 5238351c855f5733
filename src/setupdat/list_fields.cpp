#include "setupdat/list_fields.h"

#include <cstring>
#include <utility>

#include "setupdat/field_split.h"

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
  long read = 0;
  if (!FieldNumber(text, separator, number, read)) return false;
  value = static_cast<LONG>(read);
  return true;
}
