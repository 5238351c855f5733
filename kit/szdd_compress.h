#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The LZ format that the platform's LZ expansion library reads (SZDD):
// a 14-byte header, then LZSS over a 4,096-byte ring that starts full of
// spaces with its write position 16 bytes before its end. Each flag byte
// governs the next eight items, lowest bit first: 1 is a literal byte, 0
// a match of two bytes naming a ring position (12 bits) and a length of
// 3 to 18 bytes.

constexpr std::size_t kSzddHeaderSize = 14;

// `data` in the format. `lastChar` is the header's record of the name's
// last character, for a file stored under the trailing-underscore name.
// The result holds the header even for empty data. Throws
// std::length_error for 2 GB or more.
std::string CompressSzdd(const unsigned char* data, std::size_t size, char lastChar);

// True when `file` begins with the format's header; `size` is then the
// expanded size the header records.
bool ReadSzddHeader(const std::string& file, std::uint32_t& size);
