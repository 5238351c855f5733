#pragma once
#include <cstdarg>
#include <cstddef>

// Formats into a fixed buffer, which always ends terminated. Returns the
// length written, or -1 when the text was cut at the end of the buffer.
// The C runtime's own formatter does the work: the C99 one that the
// compiler's headers would pick brings floating-point printing that nothing
// here needs.
int FormatText(char* buffer, std::size_t size, const char* format, ...);
int FormatTextV(char* buffer, std::size_t size, const char* format, va_list arguments);
