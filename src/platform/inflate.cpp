#include "platform/inflate.h"

#include <cstdint>

namespace {

constexpr int kMaxBits = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;

// A canonical Huffman code: how many codes each length has, and the symbols
// in code order.
struct HuffmanCode {
  std::uint16_t counts[kMaxBits + 1];
  std::uint16_t symbols[kLiteralCodes];
};

class BitReader {
public:
  BitReader(const unsigned char* in, std::size_t size) : in_(in), size_(size) {}

  // The next `count` bits, first bit lowest; reading past the end gives
  // zeros and marks the stream as damaged.
  unsigned Bits(int count) {
    std::uint32_t value = buffer_;
    while (held_ < count) {
      if (position_ == size_) {
        overrun_ = true;
        return 0;
      }
      value |= static_cast<std::uint32_t>(in_[position_++]) << held_;
      held_ += 8;
    }
    buffer_ = value >> count;
    held_ -= count;
    return value & ((1u << count) - 1);
  }

  // Stored blocks start on a byte.
  void SkipToByte() {
    buffer_ = 0;
    held_ = 0;
  }
  bool overrun() const { return overrun_; }
  const unsigned char* in_;
  std::size_t size_;
  std::size_t position_ = 0;

private:
  std::uint32_t buffer_ = 0;
  int held_ = 0;
  bool overrun_ = false;
};

// False for lengths that describe more codes than fit: such a stream is
// damaged. Fewer is allowed (a block with a single distance code has one).
bool Build(HuffmanCode& code, const unsigned char* lengths, int count) {
  for (auto& slot : code.counts) slot = 0;
  for (int symbol = 0; symbol < count; ++symbol) ++code.counts[lengths[symbol]];
  code.counts[0] = 0;
  int left = 1;
  std::uint16_t offsets[kMaxBits + 1] = {};
  for (int length = 1; length <= kMaxBits; ++length) {
    left = (left << 1) - code.counts[length];
    if (left < 0) return false;
    if (length < kMaxBits) offsets[length + 1] = static_cast<std::uint16_t>(offsets[length] + code.counts[length]);
  }
  for (int symbol = 0; symbol < count; ++symbol) {
    if (lengths[symbol]) code.symbols[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
  }
  return true;
}

// The next symbol, or -1 for a code the table does not have.
int Decode(BitReader& bits, const HuffmanCode& code) {
  int value = 0;
  int first = 0;
  int index = 0;
  for (int length = 1; length <= kMaxBits; ++length) {
    value |= static_cast<int>(bits.Bits(1));
    const int count = code.counts[length];
    if (value - count < first) return code.symbols[index + (value - first)];
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return -1;
}

const std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned char kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const std::uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                         193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned char kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Expander {
public:
  Expander(BitReader& bits, unsigned char* out, std::size_t size) : bits_(bits), out_(out), size_(size) {}

  bool Stored() {
    bits_.SkipToByte();
    if (bits_.size_ - bits_.position_ < 4) return false;
    const unsigned char* header = bits_.in_ + bits_.position_;
    const unsigned length = header[0] | (header[1] << 8);
    if ((length ^ 0xFFFFu) != static_cast<unsigned>(header[2] | (header[3] << 8))) return false;
    bits_.position_ += 4;
    if (bits_.size_ - bits_.position_ < length || size_ - written_ < length) return false;
    for (unsigned index = 0; index < length; ++index) out_[written_++] = bits_.in_[bits_.position_++];
    return true;
  }

  bool Fixed() {
    unsigned char lengths[kLiteralCodes + kDistanceCodes];
    int symbol = 0;
    for (; symbol < 144; ++symbol) lengths[symbol] = 8;
    for (; symbol < 256; ++symbol) lengths[symbol] = 9;
    for (; symbol < 280; ++symbol) lengths[symbol] = 7;
    for (; symbol < kLiteralCodes; ++symbol) lengths[symbol] = 8;
    for (; symbol < kLiteralCodes + kDistanceCodes; ++symbol) lengths[symbol] = 5;
    return Build(literals_, lengths, kLiteralCodes) && Build(distances_, lengths + kLiteralCodes, kDistanceCodes) &&
           Codes();
  }

  bool Dynamic() {
    static const unsigned char kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int literalCount = static_cast<int>(bits_.Bits(5)) + 257;
    const int distanceCount = static_cast<int>(bits_.Bits(5)) + 1;
    const int lengthCodes = static_cast<int>(bits_.Bits(4)) + 4;
    if (literalCount > 286 || distanceCount > kDistanceCodes) return false;
    unsigned char lengths[kLiteralCodes + kDistanceCodes] = {};
    for (int index = 0; index < lengthCodes; ++index) lengths[kOrder[index]] = static_cast<unsigned char>(bits_.Bits(3));
    HuffmanCode lengthCode;
    if (!Build(lengthCode, lengths, 19)) return false;

    const int total = literalCount + distanceCount;
    for (int index = 0; index < total;) {
      const int symbol = Decode(bits_, lengthCode);
      if (symbol < 0 || bits_.overrun()) return false;
      if (symbol < 16) {
        lengths[index++] = static_cast<unsigned char>(symbol);
        continue;
      }
      unsigned char repeated = 0;
      int times = 0;
      if (symbol == 16) {
        if (index == 0) return false;
        repeated = lengths[index - 1];
        times = 3 + static_cast<int>(bits_.Bits(2));
      } else if (symbol == 17) {
        times = 3 + static_cast<int>(bits_.Bits(3));
      } else {
        times = 11 + static_cast<int>(bits_.Bits(7));
      }
      if (index + times > total) return false;
      while (times--) lengths[index++] = repeated;
    }
    if (lengths[256] == 0) return false;  // no end of block
    return Build(literals_, lengths, literalCount) && Build(distances_, lengths + literalCount, distanceCount) &&
           Codes();
  }

  std::size_t written() const { return written_; }

private:
  // Literals and back references up to the end of the block.
  bool Codes() {
    for (;;) {
      const int symbol = Decode(bits_, literals_);
      if (symbol < 0 || bits_.overrun()) return false;
      if (symbol < 256) {
        if (written_ == size_) return false;
        out_[written_++] = static_cast<unsigned char>(symbol);
        continue;
      }
      if (symbol == 256) return true;
      const int lengthIndex = symbol - 257;
      if (lengthIndex >= 29) return false;
      const std::size_t length = kLengthBase[lengthIndex] + bits_.Bits(kLengthExtra[lengthIndex]);
      const int distanceIndex = Decode(bits_, distances_);
      if (distanceIndex < 0 || distanceIndex >= kDistanceCodes) return false;
      const std::size_t distance = kDistanceBase[distanceIndex] + bits_.Bits(kDistanceExtra[distanceIndex]);
      if (bits_.overrun() || distance > written_ || length > size_ - written_) return false;
      for (std::size_t index = 0; index < length; ++index, ++written_) out_[written_] = out_[written_ - distance];
    }
  }

  BitReader& bits_;
  unsigned char* out_;
  std::size_t size_;
  std::size_t written_ = 0;
  HuffmanCode literals_;
  HuffmanCode distances_;
};

}  // namespace

bool Inflate(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize) {
  BitReader bits(in, inSize);
  Expander expander(bits, out, outSize);
  for (bool last = false; !last;) {
    last = bits.Bits(1) != 0;
    const unsigned type = bits.Bits(2);
    bool done = false;
    if (type == 0)
      done = expander.Stored();
    else if (type == 1)
      done = expander.Fixed();
    else if (type == 2)
      done = expander.Dynamic();
    if (!done || bits.overrun()) return false;
  }
  return expander.written() == outSize;
}
