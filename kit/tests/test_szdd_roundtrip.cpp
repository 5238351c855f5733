// Every packed file must expand byte for byte through the reference
// expander: the installer's LZ expansion under Wine, msexpand natively.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "file_io.h"
#include "kit_temp_folder.h"
#include "reference_expand.h"
#include "szdd_compress.h"

namespace {

struct Sample {
  std::string name;
  std::string bytes;
};

std::string Random(std::size_t size, unsigned stream) {
  std::mt19937 generator(stream);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Words from a small vocabulary: matches of every length and distance.
std::string Text(std::size_t size, unsigned stream) {
  static const char* const kWords[] = {"install",  "the ",     "set",     " folder", "\r\n", "Setup.dat", "size", ", ",
                                       "registry", "shortcut", "licence", "    ",    "=",    "%0\\",      "file"};
  std::mt19937 generator(stream);
  std::string text;
  while (text.size() < size) text += kWords[generator() % (sizeof kWords / sizeof kWords[0])];
  text.resize(size);
  return text;
}

std::vector<Sample> Samples() {
  std::vector<Sample> samples = {{"empty", ""}, {"one byte", "x"}, {"one space", " "}, {"three", "abc"}};
  // Sizes around the ring (4,096), its start (4,080) and a flag byte's
  // eight items, in text and in noise.
  for (std::size_t size :
       {7u, 8u, 9u, 16u, 17u, 18u, 19u, 4079u, 4080u, 4081u, 4095u, 4096u, 4097u, 8191u, 8192u, 8193u, 12288u}) {
    samples.push_back({"text " + std::to_string(size), Text(size, static_cast<unsigned>(size))});
    samples.push_back({"random " + std::to_string(size), Random(size, static_cast<unsigned>(size))});
  }
  // Long runs: matches overlapping themselves, and runs of the spaces the
  // ring starts with, which a match may take from before the first byte.
  samples.push_back({"run of a", std::string(100000, 'a')});
  samples.push_back({"run of spaces", std::string(70000, ' ')});
  samples.push_back({"spaces then text", std::string(5000, ' ') + Text(5000, 1)});
  std::string alternating;
  for (int i = 0; i < 50000; ++i) alternating += (i % 3 ? "ab" : "abc");
  samples.push_back({"short period", alternating});
  // A repeat exactly one ring back and just inside it.
  const std::string block = Random(4095, 7);
  samples.push_back({"repeat 4095 back", block + block + block});
  const std::string wide = Random(4096, 8);
  samples.push_back({"repeat 4096 back", wide + wide});
  samples.push_back({"all byte values", [] {
                       std::string all;
                       for (int round = 0; round < 40; ++round)
                         for (int c = 0; c < 256; ++c) all += static_cast<char>((c * (round + 1)) & 0xFF);
                       return all;
                     }()});
  samples.push_back({"random 1 MB", Random(1 << 20, 99)});
  samples.push_back({"text 1 MB", Text(1 << 20, 99)});
  return samples;
}

TEST(SzddRoundTrip, EverySampleExpandsByteForByteThroughTheReference) {
  kittest::TempFolder folder;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    const std::string packed =
        CompressSzdd(reinterpret_cast<const unsigned char*>(sample.bytes.data()), sample.bytes.size(), 'Q');
    std::uint32_t recorded = 0;
    ASSERT_TRUE(ReadSzddHeader(packed, recorded));
    EXPECT_EQ(recorded, sample.bytes.size());
    EXPECT_EQ(packed[9], 'Q');
    // Noise may grow by a flag byte in eight, never more.
    EXPECT_LE(packed.size(), kSzddHeaderSize + sample.bytes.size() + (sample.bytes.size() + 7) / 8);

    const std::string in = folder.File("packed.bin");
    const std::string out = folder.File("expanded.bin");
    WriteWholeFile(in, packed);
    std::filesystem::remove(out);
    const std::string failure = ReferenceExpand(in, out);
    ASSERT_EQ(failure, "") << ReferenceName();
    const std::string expanded = ReadWholeFile(out);
    ASSERT_EQ(expanded.size(), sample.bytes.size()) << ReferenceName();
    EXPECT_TRUE(expanded == sample.bytes) << ReferenceName() << " gives other bytes";
  }
}

// The first offset where the file at `path` differs from `bytes` (its
// size when it is a prefix of them, or longer); npos when they are equal.
std::size_t FirstDifference(const std::string& path, const std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  std::size_t at = 0;
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got == 0) break;
    if (at + got > bytes.size()) return bytes.size();
    for (std::size_t i = 0; i < got; ++i)
      if (chunk[i] != bytes[at + i]) return at + i;
    at += got;
  }
  return at == bytes.size() ? std::string::npos : at;
}

// One file of 100 MB: the ring wraps some 25,000 times and the counts pass
// every width a smaller file stays within. Megabytes of text, noise, one
// byte repeated and a block repeated 3,000 bytes back take turns. A suite
// of its own, run as a test of its own: msexpand writes a byte at a time
// and takes its while over it.
TEST(SzddRoundTripLarge, AHundredMegabyteFileExpandsByteForByteThroughTheReference) {
  const std::size_t megabyte = 1 << 20;
  std::string bytes;
  bytes.reserve(100 * megabyte);
  for (unsigned i = 0; i < 100; ++i) {
    const std::size_t end = bytes.size() + megabyte;
    switch (i % 4) {
      case 0:
        bytes += Text(megabyte, i);
        break;
      case 1:
        bytes += Random(megabyte, i);
        break;
      case 2:
        bytes.append(megabyte, static_cast<char>(i));
        break;
      default:
        for (const std::string block = Random(3000, i); bytes.size() < end;) bytes += block;
        bytes.resize(end);
        break;
    }
  }
  const std::string packed = CompressSzdd(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 'B');
  std::uint32_t recorded = 0;
  ASSERT_TRUE(ReadSzddHeader(packed, recorded));
  EXPECT_EQ(recorded, bytes.size());
  // The noise, a quarter, grows by its flag bytes; the rest shrinks.
  EXPECT_LT(packed.size(), bytes.size() / 2);

  kittest::TempFolder folder;
  const std::string in = folder.File("big.bin");
  const std::string out = folder.File("big.out");
  WriteWholeFile(in, packed);
  const std::string failure = ReferenceExpand(in, out);
  ASSERT_EQ(failure, "") << ReferenceName();
  std::error_code error;
  EXPECT_EQ(std::filesystem::file_size(out, error), bytes.size()) << ReferenceName();
  const std::size_t differs = FirstDifference(out, bytes);
  EXPECT_EQ(differs, std::string::npos) << ReferenceName() << " gives other bytes from offset " << differs;
}

TEST(SzddRoundTrip, RepetitiveDataShrinksWellAndNoiseHardlyGrows) {
  const std::string run(100000, 'a');
  const std::string packedRun = CompressSzdd(reinterpret_cast<const unsigned char*>(run.data()), run.size(), 'a');
  // 18 bytes a match, 8 matches in 17 bytes: under 1/8 of the input.
  EXPECT_LT(packedRun.size(), run.size() / 8);
  const std::string text = Text(200000, 5);
  const std::string packedText = CompressSzdd(reinterpret_cast<const unsigned char*>(text.data()), text.size(), 't');
  EXPECT_LT(packedText.size(), text.size() / 2);
  const std::string noise = Random(200000, 5);
  const std::string packedNoise = CompressSzdd(reinterpret_cast<const unsigned char*>(noise.data()), noise.size(), 'n');
  EXPECT_GT(packedNoise.size(), noise.size());  // why pack copies such files as they are
  // A header cut short, and a plain program, are no packed files.
  std::uint32_t unused = 0;
  EXPECT_FALSE(ReadSzddHeader(packedRun.substr(0, kSzddHeaderSize - 1), unused));
  EXPECT_FALSE(ReadSzddHeader("MZ" + run, unused));
}

}  // namespace
