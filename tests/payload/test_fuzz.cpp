// Damaged blocks: 100,000 streams, each a good one with one kind of damage
// somewhere along it, expanded into a buffer of the declared size with
// guard bytes after it. None may crash, hang, write past the buffer, or be
// reported good unless it gives the original bytes back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "payload/payload_block.h"
#include "payload_test_data.h"

namespace {

struct Original {
  Bytes data;
  Bytes packed;
  bool x86;
};

std::vector<Original> Originals() {
  std::vector<Original> all;
  const auto add = [&all](const Bytes& data, const Bytes& packed, bool x86) { all.push_back({data, packed, x86}); };
  const Bytes text = TextData(3000, 51), code = CodeData(6000), random = RandomData(1500, 52);
  const Bytes runs = RunsData(20000, 53);
  add(text, EncodeRaw(text, {6}), false);
  add(text, EncodeRaw(text, {0, false, 0, 2, 0}), false);
  add(code, EncodeRaw(code, {6, true}), true);
  add(code, EncodeRaw(code, {9, true, 4, 0, 4}), true);
  add(random, EncodeRaw(random, {6}), false);  // one stored chunk
  add(runs, EncodeRaw(runs, {1}), false);
  add({}, EncodeRaw({}, {6}), false);
  add({0x7A}, EncodeRaw({0x7A}, {6}), false);
  const Bytes a = TextData(2000, 54), b = RandomData(301, 55), c = TextData(2500, 54);
  Bytes chained = a;
  chained.insert(chained.end(), b.begin(), b.end());
  chained.insert(chained.end(), c.begin(), c.end());
  add(chained, ChainedStream(a, b, c, 6), false);
  return all;
}

// Where the stream's chunk headers are, to damage them on purpose: random
// damage mostly lands in the range-coded data.
std::vector<std::size_t> HeaderBytes(const Bytes& s) {
  std::vector<std::size_t> at;
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned control = s[i];
    const std::size_t header = control >= 0xC0 ? 6 : control >= 0x80 ? 5 : control == 0 ? 1 : 3;
    for (std::size_t k = 0; k < header && i + k < s.size(); ++k) at.push_back(i + k);
    if (control == 0 || i + header > s.size()) break;
    const std::size_t body = control >= 0x80 ? ((s[i + 3] << 8) | s[i + 4]) + 1 : ((s[i + 1] << 8) | s[i + 2]) + 1;
    i += header + body;
  }
  return at;
}

void Damage(Bytes& s, PayloadBlock& block, TestRandom& r, const std::vector<std::size_t>& headers) {
  const auto anywhere = [&] { return s.empty() ? 0 : r.Below(static_cast<std::uint32_t>(s.size())); };
  switch (r.Below(8)) {
    case 0:  // a few flipped bits
      for (std::uint32_t n = 1 + r.Below(3); n > 0 && !s.empty(); --n) s[anywhere()] ^= 1u << r.Below(8);
      break;
    case 1:
      if (!s.empty()) s[anywhere()] = static_cast<std::uint8_t>(r.Next());
      break;
    case 2:
      s.resize(anywhere());
      break;
    case 3:
      s.insert(s.begin() + anywhere(), 1 + r.Below(4), static_cast<std::uint8_t>(r.Next()));
      break;
    case 4:
      if (!s.empty()) s.erase(s.begin() + anywhere());
      break;
    case 5: {  // a chunk header: control, sizes, properties
      const std::size_t at = headers[r.Below(static_cast<std::uint32_t>(headers.size()))];
      s[at] = r.Below(2) ? static_cast<std::uint8_t>(r.Next()) : static_cast<std::uint8_t>(s[at] ^ (1u << r.Below(8)));
      break;
    }
    case 6:  // the block record
      if (r.Below(2)) {
        block.unpackedSize += r.Below(2) ? 1 + r.Below(3) : (block.unpackedSize > 0 ? 0u - 1 : 0u);
      } else {
        block.flags ^= 1u << r.Below(2);
      }
      break;
    default:  // bytes after the end marker
      s.push_back(static_cast<std::uint8_t>(r.Next()));
      break;
  }
}

TEST(PayloadFuzz, DamagedStreamsAreRejectedSafely) {
  const std::vector<Original> originals = Originals();
  constexpr std::size_t kGuard = 64;
  TestRandom r(20261209);
  int accepted = 0, rejected = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 100000; ++round) {
    const Original& o = originals[static_cast<std::size_t>(round) % originals.size()];
    Bytes stream = o.packed;
    PayloadBlock block = BlockFor(o.data, o.packed, o.x86);
    Damage(stream, block, r, HeaderBytes(o.packed));
    block.packedSize = static_cast<std::uint32_t>(stream.size());
    // Exact-size copies, so that a sanitiser sees any read past the input.
    std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[stream.size() + 1]);
    if (!stream.empty()) std::memcpy(in.get(), stream.data(), stream.size());
    const std::size_t outSize = block.unpackedSize;
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[outSize + kGuard]);
    std::memset(out.get(), 0xA7, outSize + kGuard);
    const bool good = ExpandBlock(block, in.get(), out.get());
    for (std::size_t i = 0; i < kGuard; ++i) ASSERT_EQ(0xA7, out[outSize + i]) << "round " << round;
    if (good) {
      ++accepted;
      ASSERT_EQ(o.data.size(), outSize) << "round " << round;
      ASSERT_TRUE(std::equal(o.data.begin(), o.data.end(), out.get())) << "round " << round;
    } else {
      ++rejected;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("fuzz: %d rejected, %d accepted as the original, %.1f s\n", rejected, accepted, seconds);
  // Nearly all damage must show; what passes gave back the original bytes.
  EXPECT_GT(rejected, 95000);
}

}  // namespace
