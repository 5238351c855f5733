#include "payload/x86_filter.h"

namespace {

// The top byte of a near target is 00 or FF: a jump within 16 MB.
inline bool NearTop(std::uint32_t b) { return b == 0 || b == 0xFF; }

}  // namespace

void UndoX86Filter(std::uint8_t* data, std::size_t size) {
  if (size < 5) return;
  // Bits 1-3 of `recent` record which of the three bytes before the current
  // E8/E9 were themselves an E8/E9 left alone (bit 1 the nearest), bit 4
  // whether that one's fourth byte was 00/FF; bit 0 is the instruction
  // just left alone, before the shift that brings it to bit 1. The encoder
  // decided from the same record, so only the same decision here undoes it.
  // Which records allow a conversion (bits 1-3 as an index), and for those
  // that allow it, which byte of the target the other pass may have seen
  // as the top one.
  static const bool kAllowed[8] = {true, true, true, false, true, false, false, false};
  static const unsigned char kByteIndex[8] = {0, 1, 2, 2, 3, 3, 3, 3};
  std::uint32_t recent = 0;
  std::size_t previous = 0;  // where the last E8/E9 was; with recent 0 its value does not matter
  const std::size_t last = size - 5;
  std::size_t i = 0;
  while (i <= last) {
    if ((data[i] & 0xFE) != 0xE8) {
      ++i;
      continue;
    }
    const std::size_t gap = i - previous;
    previous = i;
    if (gap > 5) {
      recent = 0;
    } else {
      for (std::size_t k = 0; k < gap; ++k) recent = (recent & 0x77) << 1;
    }
    std::uint8_t* const operand = data + i + 1;
    const std::uint32_t top = operand[3];
    if (NearTop(top) && kAllowed[(recent >> 1) & 7] && recent < 0x20) {
      std::uint32_t value = operand[0] | (static_cast<std::uint32_t>(operand[1]) << 8) |
                            (static_cast<std::uint32_t>(operand[2]) << 16) | (top << 24);
      const std::uint32_t next = static_cast<std::uint32_t>(i + 5);
      std::uint32_t target;
      for (;;) {
        target = value - next;
        if (recent == 0) break;
        // recent is at least 2 here: bit 0 was shifted away above.
        const unsigned shift = 24 - 8u * kByteIndex[recent >> 1];
        if (!NearTop((target >> shift) & 0xFF)) break;
        value = target ^ ((1u << (shift + 8)) - 1);
      }
      operand[0] = static_cast<std::uint8_t>(target);
      operand[1] = static_cast<std::uint8_t>(target >> 8);
      operand[2] = static_cast<std::uint8_t>(target >> 16);
      operand[3] = static_cast<std::uint8_t>(0u - ((target >> 24) & 1));
      i += 5;
      recent = 0;
    } else {
      ++i;
      recent |= NearTop(top) ? 0x11u : 0x01u;
    }
  }
}
