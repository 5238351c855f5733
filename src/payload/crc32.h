#pragma once
// CRC-32 of the payload's blocks and of the install log: the reflected
// polynomial 0xEDB88320, register and result inverted. A running value
// chains: Crc32(b, nb, Crc32(a, na)) is the CRC of a followed by b.
#include <cstddef>
#include <cstdint>

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);
