#include <gtest/gtest.h>

#include <string>

#include "payload/crc32.h"
#include "setupdat/install_log.h"

namespace {

// The CRC-32 of a log as earlier versions wrote it, bit by bit: the
// checksums already in uninstall entries must still match their logs.
DWORD BitwiseCrc(const std::string& text) {
  DWORD crc = 0xFFFFFFFFu;
  for (unsigned char c : text) {
    crc ^= c;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

TEST(LogChecksumTest, SameAsTheLogsAlreadyWrittenAtEveryLength) {
  std::string text;
  for (int i = 0; text.size() < 300; ++i) text += "file\tC:\\Program Files\\Product\\" + std::to_string(i * 7919) + "\r\n";
  for (std::size_t size = 0; size <= text.size(); ++size) {
    const std::string part = text.substr(0, size);
    ASSERT_EQ(BitwiseCrc(part), LogChecksum(part.data(), part.size())) << "length " << size;
    // Chained over two pieces, as the payload's blocks are summed.
    ASSERT_EQ(BitwiseCrc(part), Crc32(part.data() + size / 3, size - size / 3, Crc32(part.data(), size / 3)));
  }
}

}  // namespace
