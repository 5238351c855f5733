#include "ansi_text.h"

#include <cstdint>
#include <vector>

namespace {

// The code page's characters 0x80 to 0x9F; 0 where it has none.
const std::uint16_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                         0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToAnsi(std::uint32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == code) return static_cast<char>(0x80 + i);
  return '?';
}

std::vector<std::uint32_t> FromUtf8(const std::string& bytes, std::size_t at) {
  std::vector<std::uint32_t> codes;
  while (at < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at++]);
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    std::uint32_t code = more == 3 ? lead & 0x07u : more == 2 ? lead & 0x0Fu : more == 1 ? lead & 0x1Fu : lead;
    if (lead >= 0x80 && lead < 0xC0) code = '?';  // a stray continuation byte
    for (; more > 0 && at < bytes.size(); --more, ++at)
      code = (code << 6) | (static_cast<unsigned char>(bytes[at]) & 0x3Fu);
    codes.push_back(code);
  }
  return codes;
}

std::vector<std::uint32_t> FromUtf16(const std::string& bytes, bool bigEndian) {
  std::vector<std::uint32_t> codes;
  for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[at]);
    const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
    codes.push_back(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return codes;
}

}  // namespace

std::string AnsiText(const std::string& file) {
  std::vector<std::uint32_t> codes;
  if (file.compare(0, 3, "\xEF\xBB\xBF") == 0)
    codes = FromUtf8(file, 3);
  else if (file.compare(0, 2, "\xFF\xFE") == 0 || file.compare(0, 2, "\xFE\xFF") == 0)
    codes = FromUtf16(file, file[0] == '\xFE');
  else
    return file;
  std::string ansi;
  ansi.reserve(codes.size());
  for (std::uint32_t code : codes) ansi += ToAnsi(code);
  return ansi;
}
