#include "platform/string_table.h"

#include <cstring>

#include "platform/setup_error.h"

bool LoadTableString(HINSTANCE instance, UINT id, char* buffer, std::size_t size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  const int maxChars = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
  return LoadStringA(instance, id, buffer, maxChars) > 0;
}

void LoadNameString(HINSTANCE instance, UINT id, char* buffer, std::size_t size) {
  if (!LoadTableString(instance, id, buffer, size)) ThrowSetupError(SETUP_ERR_NO_STRING);
}

bool CopyText(char* destination, std::size_t size, const char* source) {
  if (size == 0) return false;
  const std::size_t length = std::strlen(source);
  const std::size_t copied = length < size ? length : size - 1;
  std::memcpy(destination, source, copied);
  destination[copied] = '\0';
  return copied == length;
}

bool AppendText(char* destination, std::size_t size, const char* source) {
  const std::size_t used = strnlen(destination, size);
  const std::size_t length = std::strlen(source);
  if (used >= size || length >= size - used) return false;
  std::memcpy(destination + used, source, length + 1);
  return true;
}
