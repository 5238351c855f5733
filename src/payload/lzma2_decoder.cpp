#include "payload/lzma2_decoder.h"

#include <cstring>

namespace {

using Prob = std::uint16_t;

constexpr unsigned kProbBits = 11;
constexpr std::uint32_t kProbOne = 1u << kProbBits;
constexpr unsigned kMoveBits = 5;
constexpr std::uint32_t kRangeTop = 1u << 24;

constexpr unsigned kStates = 12;
constexpr unsigned kLiteralStates = 7;  // below: the last symbol was a literal
constexpr unsigned kPosStates = 16;      // at most 1 << pb
constexpr unsigned kLiteralCoder = 0x300;

// A length coder: two choices, then 3 bits (2-9), 3 bits (10-17) or 8 bits
// (18-273), the short ones with a tree for each position state.
constexpr unsigned kLenChoice = 0;
constexpr unsigned kLenChoice2 = 1;
constexpr unsigned kLenLow = 2;
constexpr unsigned kLenMid = kLenLow + kPosStates * 8;
constexpr unsigned kLenHigh = kLenMid + kPosStates * 8;
constexpr unsigned kLenCoder = kLenHigh + 256;

// Every probability in one array, so that a state reset is one loop.
constexpr unsigned kIsMatch = 0;
constexpr unsigned kIsRep = kIsMatch + kStates * kPosStates;
constexpr unsigned kIsRepG0 = kIsRep + kStates;
constexpr unsigned kIsRepG1 = kIsRepG0 + kStates;
constexpr unsigned kIsRepG2 = kIsRepG1 + kStates;
constexpr unsigned kIsRep0Long = kIsRepG2 + kStates;
constexpr unsigned kDistSlot = kIsRep0Long + kStates * kPosStates;  // 4 trees of 6 bits
constexpr unsigned kDistShortTrees = kDistSlot + 4 * 64;  // slots 4-13, reversed trees
constexpr unsigned kDistAlign = kDistShortTrees + 115;    // low 4 bits of slots 14-63
constexpr unsigned kMatchLen = kDistAlign + 16;
constexpr unsigned kRepLen = kMatchLen + kLenCoder;
constexpr unsigned kLiteral = kRepLen + kLenCoder;
constexpr unsigned kProbCount = kLiteral + (kLiteralCoder << 4);  // lc + lp <= 4

struct LzmaState {
  Prob probs[kProbCount];
  std::uint32_t rep[4];
  unsigned state;
  unsigned lc, lp, pb;

  void Reset() {
    const unsigned count = kLiteral + (kLiteralCoder << (lc + lp));
    for (unsigned i = 0; i < count; ++i) probs[i] = kProbOne / 2;
    rep[0] = rep[1] = rep[2] = rep[3] = 0;
    state = 0;
  }
};

// The range decoder, as macros over the locals of DecodeChunk: kept in
// registers across the whole loop, which calls would not guarantee. Every
// bit renormalises after it, so that at the end of a chunk the input read
// is exactly what the encoder wrote. A chunk whose input runs out is bad.
#define RC_NORMALIZE()                   \
  if (range < kRangeTop) {               \
    if (ip == inEnd) return false;       \
    range <<= 8;                         \
    code = (code << 8) | *ip++;          \
  }
#define RC_IF_0(probPtr)                 \
  bitProb = (probPtr);                   \
  probValue = *bitProb;                  \
  bound = (range >> kProbBits) * probValue; \
  if (code < bound)
#define RC_UPDATE_0()                                                            \
  range = bound;                                                                 \
  *bitProb = static_cast<Prob>(probValue + ((kProbOne - probValue) >> kMoveBits)); \
  RC_NORMALIZE()
#define RC_UPDATE_1()                                             \
  range -= bound;                                                 \
  code -= bound;                                                  \
  *bitProb = static_cast<Prob>(probValue - (probValue >> kMoveBits)); \
  RC_NORMALIZE()
// One bit of a tree: symbol gains it as its low bit. Without a branch on
// the bit, which is as good as random to the processor: `one` is all ones
// when the bit is 1, and selects each update.
#define RC_TREE_BIT(base, symbol)                                                               \
  {                                                                                             \
    Prob* const treeProb = (base) + (symbol);                                                   \
    const std::uint32_t treeValue = *treeProb;                                                  \
    const std::uint32_t treeBound = (range >> kProbBits) * treeValue;                           \
    const std::uint32_t one = 0u - static_cast<std::uint32_t>(code >= treeBound);               \
    range = (treeBound & ~one) | ((range - treeBound) & one);                                   \
    code -= treeBound & one;                                                                    \
    *treeProb = static_cast<Prob>(treeValue + ((((kProbOne - treeValue) >> kMoveBits) & ~one) - \
                                               ((treeValue >> kMoveBits) & one)));              \
    symbol = (symbol << 1) - one;                                                               \
    RC_NORMALIZE()                                                                              \
  }
// A length (0-based: 0 is the shortest match, 2 bytes) into len.
#define RC_LENGTH(coder)                                            \
  {                                                                 \
    Prob* lenProbs = probs + (coder);                               \
    unsigned bits, base;                                            \
    RC_IF_0(lenProbs + kLenChoice) {                                \
      RC_UPDATE_0();                                                \
      lenProbs += kLenLow + posState * 8;                           \
      bits = 3;                                                     \
      base = 0;                                                     \
    } else {                                                        \
      RC_UPDATE_1();                                                \
      RC_IF_0(lenProbs + kLenChoice2) {                             \
        RC_UPDATE_0();                                              \
        lenProbs += kLenMid + posState * 8;                         \
        bits = 3;                                                   \
        base = 8;                                                   \
      } else {                                                      \
        RC_UPDATE_1();                                              \
        lenProbs += kLenHigh;                                       \
        bits = 8;                                                   \
        base = 16;                                                  \
      }                                                             \
    }                                                               \
    unsigned symbol = 1;                                            \
    do {                                                            \
      RC_TREE_BIT(lenProbs, symbol)                                 \
    } while (symbol < (1u << bits));                                \
    len = base + symbol - (1u << bits);                             \
  }

// Decodes one LZMA chunk of `packedSize` bytes into dict[pos, end). dict is
// the output since the last dictionary reset; dict[end, room) may be
// written over (it is output still to come), nothing at or after room.
bool DecodeChunk(LzmaState& s, const std::uint8_t* in, std::size_t packedSize, std::uint8_t* dict,
                 std::size_t pos, const std::size_t end, const std::size_t room) {
  // The range coder's first byte is always 0; then 4 bytes of code.
  if (packedSize < 5 || in[0] != 0) return false;
  const std::uint8_t* ip = in + 5;
  const std::uint8_t* const inEnd = in + packedSize;
  std::uint32_t range = 0xFFFFFFFFu;
  std::uint32_t code = (static_cast<std::uint32_t>(in[1]) << 24) | (static_cast<std::uint32_t>(in[2]) << 16) |
                       (static_cast<std::uint32_t>(in[3]) << 8) | in[4];

  Prob* const probs = s.probs;
  std::uint32_t rep0 = s.rep[0], rep1 = s.rep[1], rep2 = s.rep[2], rep3 = s.rep[3];
  unsigned state = s.state;
  const unsigned lc = s.lc;
  const std::size_t lpMask = (std::size_t{1} << s.lp) - 1;
  const std::size_t pbMask = (std::size_t{1} << s.pb) - 1;

  Prob* bitProb;
  std::uint32_t probValue, bound;

  while (pos < end) {
    const unsigned posState = static_cast<unsigned>(pos & pbMask);
    RC_IF_0(probs + kIsMatch + state * kPosStates + posState) {
      RC_UPDATE_0();
      Prob* lit = probs + kLiteral;
      if (pos > 0) {
        lit += kLiteralCoder * ((static_cast<unsigned>(pos & lpMask) << lc) + (dict[pos - 1] >> (8 - lc)));
      }
      unsigned symbol = 1;
      if (state < kLiteralStates) {
        do {
          RC_TREE_BIT(lit, symbol)
        } while (symbol < 0x100);
      } else {
        // After a match the byte at rep0 is a likely guess: its bits select
        // their own probabilities until the first bit that differs. offset
        // is 0x100 while they agree and 0 after.
        unsigned matchByte = dict[pos - rep0 - 1];
        unsigned offset = 0x100;
        do {
          matchByte <<= 1;
          const unsigned agreed = offset;
          offset &= matchByte;
          RC_IF_0(lit + agreed + offset + symbol) {
            RC_UPDATE_0();
            symbol <<= 1;
            offset ^= agreed;
          } else {
            RC_UPDATE_1();
            symbol = (symbol << 1) + 1;
          }
        } while (symbol < 0x100);
      }
      dict[pos++] = static_cast<std::uint8_t>(symbol);
      state = state < 4 ? 0 : (state < 10 ? state - 3 : state - 6);
      continue;
    }
    RC_UPDATE_1();

    unsigned len;
    RC_IF_0(probs + kIsRep + state) {
      RC_UPDATE_0();
      // A new distance.
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      RC_LENGTH(kMatchLen)
      state = state < kLiteralStates ? 7 : 10;
      Prob* const slotProbs = probs + kDistSlot + (len < 3 ? len : 3) * 64;
      unsigned slot = 1;
      do {
        RC_TREE_BIT(slotProbs, slot)
      } while (slot < 64);
      slot -= 64;
      if (slot < 4) {
        rep0 = slot;
      } else {
        const unsigned directBits = (slot >> 1) - 1;
        std::uint32_t dist = (2u | (slot & 1u)) << directBits;
        if (slot < 14) {
          Prob* const shortTree = probs + kDistShortTrees + dist - slot;
          unsigned node = 1;
          for (unsigned i = 0; i < directBits; ++i) {
            RC_IF_0(shortTree + node) {
              RC_UPDATE_0();
              node <<= 1;
            } else {
              RC_UPDATE_1();
              node = (node << 1) + 1;
              dist |= 1u << i;
            }
          }
        } else {
          // Middle bits at even odds, no probability.
          std::uint32_t middle = 0;
          for (unsigned i = directBits - 4; i > 0; --i) {
            range >>= 1;
            const std::uint32_t take = (code >= range) ? 1u : 0u;
            code -= range & (0u - take);
            middle = (middle << 1) | take;
            RC_NORMALIZE()
          }
          dist += middle << 4;
          Prob* const align = probs + kDistAlign;
          unsigned node = 1;
          for (unsigned i = 0; i < 4; ++i) {
            RC_IF_0(align + node) {
              RC_UPDATE_0();
              node <<= 1;
            } else {
              RC_UPDATE_1();
              node = (node << 1) + 1;
              dist |= 1u << i;
            }
          }
        }
        // The end-of-payload marker (all ones) has no place in a chunk; it
        // fails the distance test below like any other distance too far.
        rep0 = dist;
      }
    } else {
      RC_UPDATE_1();
      RC_IF_0(probs + kIsRepG0 + state) {
        RC_UPDATE_0();
        RC_IF_0(probs + kIsRep0Long + state * kPosStates + posState) {
          RC_UPDATE_0();
          // One byte from rep0.
          if (rep0 >= pos) return false;
          dict[pos] = dict[pos - rep0 - 1];
          ++pos;
          state = state < kLiteralStates ? 9 : 11;
          continue;
        }
        RC_UPDATE_1();
      } else {
        RC_UPDATE_1();
        std::uint32_t dist;
        RC_IF_0(probs + kIsRepG1 + state) {
          RC_UPDATE_0();
          dist = rep1;
        } else {
          RC_UPDATE_1();
          RC_IF_0(probs + kIsRepG2 + state) {
            RC_UPDATE_0();
            dist = rep2;
          } else {
            RC_UPDATE_1();
            dist = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = dist;
      }
      RC_LENGTH(kRepLen)
      state = state < kLiteralStates ? 8 : 11;
    }

    // A match reaches only what this dictionary has produced, and ends
    // within the chunk: the encoder never splits one across chunks.
    len += 2;
    if (rep0 >= pos || len > end - pos) return false;
    std::uint8_t* dst = dict + pos;
    const std::uint8_t* src = dst - rep0 - 1;
    pos += len;
    if (rep0 == 0) {
      std::memset(dst, *src, len);
    } else if (rep0 >= 7 && room - (pos - len) >= len + 7) {
      // Eight bytes at a time: the source stays behind what is written,
      // and the overshoot lands in output still to come.
      std::uint8_t* const stop = dst + len;
      do {
        std::memcpy(dst, src, 8);
        dst += 8;
        src += 8;
      } while (dst < stop);
    } else {
      do {
        *dst++ = *src++;
      } while (--len != 0);
    }
  }

  if (ip != inEnd || code != 0) return false;
  s.rep[0] = rep0;
  s.rep[1] = rep1;
  s.rep[2] = rep2;
  s.rep[3] = rep3;
  s.state = state;
  return true;
}

#undef RC_LENGTH
#undef RC_TREE_BIT
#undef RC_UPDATE_1
#undef RC_UPDATE_0
#undef RC_IF_0
#undef RC_NORMALIZE

inline std::size_t BigEndian16(const std::uint8_t* p) { return (static_cast<std::size_t>(p[0]) << 8) | p[1]; }

}  // namespace

bool DecodeLzma2(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) {
  LzmaState lzma;
  lzma.lc = lzma.lp = lzma.pb = 0;
  std::size_t ip = 0;
  std::size_t op = 0;
  std::size_t dictStart = 0;
  bool needDictReset = true;
  bool needProps = true;
  while (ip < inSize) {
    const unsigned control = in[ip++];
    if (control == 0x00) return ip == inSize && op == outSize;
    // A dictionary reset cuts matches off from what came before; the
    // properties (and so a state reset) must follow before LZMA data.
    if (control == 0x01 || control >= 0xE0) {
      dictStart = op;
      needDictReset = false;
      needProps = true;
    } else if (needDictReset) {
      return false;
    }
    if (control < 0x80) {
      // Stored bytes: 1 or 2, then the size less one, big-endian.
      if (control > 0x02 || inSize - ip < 2) return false;
      const std::size_t size = BigEndian16(in + ip) + 1;
      ip += 2;
      if (inSize - ip < size || outSize - op < size) return false;
      std::memcpy(out + op, in + ip, size);
      ip += size;
      op += size;
      continue;
    }
    // LZMA: 5 bits of the unpacked size's top, what to reset, the sizes
    // less one, big-endian, and the properties when new.
    if (inSize - ip < 4) return false;
    const std::size_t unpacked = (static_cast<std::size_t>(control & 0x1F) << 16) + BigEndian16(in + ip) + 1;
    const std::size_t packed = BigEndian16(in + ip + 2) + 1;
    ip += 4;
    const unsigned reset = (control >> 5) & 3;
    if (reset >= 2) {
      if (ip == inSize) return false;
      unsigned props = in[ip++];
      if (props >= 9 * 5 * 5) return false;
      lzma.lc = props % 9;
      props /= 9;
      lzma.lp = props % 5;
      lzma.pb = props / 5;
      if (lzma.lc + lzma.lp > 4) return false;
      needProps = false;
    } else if (needProps) {
      return false;
    }
    if (reset >= 1) lzma.Reset();
    if (inSize - ip < packed || outSize - op < unpacked) return false;
    if (!DecodeChunk(lzma, in + ip, packed, out + dictStart, op - dictStart, op - dictStart + unpacked,
                     outSize - dictStart)) {
      return false;
    }
    ip += packed;
    op += unpacked;
  }
  return false;  // no end marker
}
