#include "setupdat/list_section.h"

#include <windows.h>

#include <memory>

#include "platform/unique_handle.h"

namespace {

// A file that begins with a byte-order mark is Unicode, which the reader
// gives in the ANSI code page like the platform's reader does; any other
// file is ANSI already. The wide text is a plain array, not a wide string,
// which would bring the runtime's whole wide-string instantiation into
// Setup.exe.
std::string AnsiText(const std::string& file) {
  std::unique_ptr<wchar_t[]> wide;
  int units = 0;
  if (file.size() >= 3 && file.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    units = MultiByteToWideChar(CP_UTF8, 0, file.data() + 3, static_cast<int>(file.size() - 3), nullptr, 0);
    if (units > 0) {
      wide.reset(new wchar_t[static_cast<std::size_t>(units)]);
      MultiByteToWideChar(CP_UTF8, 0, file.data() + 3, static_cast<int>(file.size() - 3), wide.get(), units);
    }
  } else if (file.size() >= 2 && (file.compare(0, 2, "\xFF\xFE") == 0 || file.compare(0, 2, "\xFE\xFF") == 0)) {
    const bool bigEndian = file[0] == '\xFE';
    units = static_cast<int>((file.size() - 2) / 2);
    wide.reset(new wchar_t[static_cast<std::size_t>(units) + 1]);
    for (int unit = 0; unit < units; ++unit) {
      const unsigned char first = static_cast<unsigned char>(file[2 + 2 * unit]);
      const unsigned char second = static_cast<unsigned char>(file[3 + 2 * unit]);
      wide[unit] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
  } else {
    return file;
  }
  if (units <= 0) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.get(), units, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide.get(), units, &ansi[0], length, nullptr, nullptr);
  return ansi;
}

}  // namespace

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
  return SplitSection(AnsiText(text), name, lines_);
}
