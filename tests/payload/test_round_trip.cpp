// Blocks the xz library encodes, expanded by ours: every kind of data the
// kit packs, at presets from fastest to best, with and without the x86
// filter, back byte for byte.
#include <gtest/gtest.h>
#include <lzma.h>

#include <cstring>
#include <memory>
#include <string>

#include "payload/crc32.h"
#include "payload/lzma2_decoder.h"
#include "payload/payload_block.h"
#include "payload/x86_filter.h"
#include "payload_test_data.h"

namespace {

// Expands into a buffer of exactly the block's size plus guard bytes that
// must come out untouched.
void ExpectExpands(const Bytes& data, const Bytes& packed, bool x86, const std::string& what) {
  SCOPED_TRACE(what);
  const PayloadBlock block = BlockFor(data, packed, x86);
  Bytes out(data.size() + 32, 0xC5);
  ASSERT_TRUE(ExpandBlock(block, packed.data(), out.data()));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
  EXPECT_EQ(Bytes(32, 0xC5), Bytes(out.begin() + static_cast<std::ptrdiff_t>(data.size()), out.end()));
  // One byte less or more of output is a stream that does not fit.
  EXPECT_FALSE(DecodeLzma2(packed.data(), packed.size(), out.data(), data.size() + 1));
  if (!data.empty()) {
    EXPECT_FALSE(DecodeLzma2(packed.data(), packed.size(), out.data(), data.size() - 1));
  }
  Bytes longer = packed;
  longer.push_back(0);
  EXPECT_FALSE(DecodeLzma2(longer.data(), longer.size(), out.data(), data.size()));
}

struct DataSet {
  const char* name;
  Bytes data;
  bool code;
};

TEST(PayloadRoundTrip, EveryKindOfDataAtSeveralPresets) {
  Bytes mixed = RandomData(70000, 5);  // stored chunks, then LZMA ones at odd positions
  for (const Bytes& part : {TextData(300001, 6), RandomData(3, 7), CodeData(200000), RunsData(90000, 8)}) {
    mixed.insert(mixed.end(), part.begin(), part.end());
  }
  const DataSet sets[] = {{"empty", {}, false},          {"one byte", {0x42}, false},
                          {"text", TextData(400000, 1), false}, {"random", RandomData(300000, 2), false},
                          {"runs", RunsData(600000, 3), false}, {"code", CodeData(700000), true},
                          {"mixed", mixed, true}};
  for (const DataSet& set : sets) {
    for (std::uint32_t preset : {0u, 1u, 6u, 9u}) {
      for (bool x86 : {false, true}) {
        if (x86 && !set.code) continue;
        EncodeOptions options{preset, x86};
        ExpectExpands(set.data, EncodeRaw(set.data, options), x86,
                      std::string(set.name) + " preset " + std::to_string(preset) + (x86 ? " x86" : ""));
      }
    }
  }
}

TEST(PayloadRoundTrip, BlocksOverTheChunkLimit) {
  // Over 2 MiB of output makes several LZMA chunks whose state carries on.
  Bytes data = TextData(3 * 1024 * 1024 + 17, 11);
  const Bytes code = CodeData(2 * 1024 * 1024);
  data.insert(data.end(), code.begin(), code.end());
  for (std::uint32_t preset : {0u, 6u}) {
    ExpectExpands(data, EncodeRaw(data, {preset, true}), true, "large x86 preset " + std::to_string(preset));
  }
  const Bytes runs = RunsData(5 * 1024 * 1024, 12);  // few packed bytes, many chunks
  ExpectExpands(runs, EncodeRaw(runs, {6}), false, "large runs");
}

TEST(PayloadRoundTrip, LiteralAndPositionPropertiesAndChainedChunks) {
  const Bytes code = CodeData(150000);
  for (int lc = 0; lc <= 4; ++lc) {
    const int lp = (4 - lc) / 2, pb = lc;
    EncodeOptions options{6, true, lc, lp, pb};
    ExpectExpands(code, EncodeRaw(code, options), true, "lc " + std::to_string(lc) + " lp " + std::to_string(lp));
  }
  const Bytes a = TextData(40001, 21), b = RandomData(1001, 22);
  Bytes c = TextData(30000, 21);
  c.insert(c.end(), b.begin(), b.end());
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  all.insert(all.end(), c.begin(), c.end());
  ExpectExpands(all, ChainedStream(a, b, c, 6), false, "chained");
}

TEST(PayloadX86Filter, MatchesTheXzLibraryOnAnyBytes) {
  // Data dense in E8/E9 and 00/FF reaches every branch of the filter's
  // record of recent opcodes; every length from 0 checks its last bytes.
  TestRandom r(31);
  static const std::uint8_t kBytes[] = {0xE8, 0xE9, 0x00, 0xFF, 0x12, 0x80};
  for (std::size_t size = 0; size < 3000; size += (size < 40 ? 1 : 97)) {
    Bytes data(size);
    for (auto& b : data) b = r.Below(3) == 0 ? static_cast<std::uint8_t>(r.Next()) : kBytes[r.Below(6)];
    // The xz library undoes the filter on whatever bytes the LZMA2 layer gives.
    Bytes expected;
    ASSERT_TRUE(ReferenceDecode(EncodeRaw(data, {0}), size, true, expected));
    UndoX86Filter(data.data(), data.size());
    ASSERT_EQ(expected, data) << "size " << size;
  }
}

TEST(PayloadCrc32, ChainsAndAgreesWithTheXzLibrary) {
  const Bytes data = RandomData(5000, 41);
  for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 63u, 4999u}) {
    for (std::size_t split : {std::size_t{0}, size / 3, size}) {
      const std::uint32_t whole = Crc32(data.data() + 1, size);
      EXPECT_EQ(lzma_crc32(data.data() + 1, size, 0), whole);
      EXPECT_EQ(whole, Crc32(data.data() + 1 + split, size - split, Crc32(data.data() + 1, split)));
    }
  }
}

}  // namespace
