#include "platform/format_text.h"

#include <cstdio>

int FormatTextV(char* buffer, std::size_t size, const char* format, va_list arguments) {
  if (size == 0) return -1;
  // The runtime's formatter leaves a text that fills the buffer exactly
  // without its terminator, and reports a longer one as -1.
  const int written = _vsnprintf(buffer, size, format, arguments);
  if (written < 0 || static_cast<std::size_t>(written) >= size) {
    buffer[size - 1] = '\0';
    return -1;
  }
  return written;
}

int FormatText(char* buffer, std::size_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = FormatTextV(buffer, size, format, arguments);
  va_end(arguments);
  return written;
}
