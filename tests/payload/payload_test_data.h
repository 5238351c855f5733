#pragma once
// Test data and the xz library's raw encoder, for the payload tests.
#include <cstdint>
#include <vector>

#include "payload/payload_format.h"

using Bytes = std::vector<std::uint8_t>;

// Deterministic generator, so that a failure repeats.
struct TestRandom {
  std::uint64_t s;
  explicit TestRandom(std::uint64_t origin) : s(origin) {}
  std::uint32_t Next() {
    s += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = s;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 16);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
};

Bytes TextData(std::size_t size, std::uint64_t origin);
Bytes RandomData(std::size_t size, std::uint64_t origin);
Bytes RunsData(std::size_t size, std::uint64_t origin);
// Machine code: the system's 32-bit Windows DLLs when present, else this
// test program itself.
Bytes CodeData(std::size_t size);

struct EncodeOptions {
  std::uint32_t preset = 6;
  bool x86 = false;
  int lc = -1, lp = -1, pb = -1;  // the preset's when negative
  const Bytes* presetDict = nullptr;
};
// A raw stream of data as the kit writes one: {x86,} LZMA2, dictionary at
// least the data's size.
Bytes EncodeRaw(const Bytes& data, const EncodeOptions& options);
// The xz library's own decoding of a raw stream; false when it fails.
bool ReferenceDecode(const Bytes& packed, std::size_t outSize, bool x86, Bytes& out);
// Three chunks of kinds a plain encode seldom gives: a's LZMA chunks,
// b stored without a dictionary reset, then c with a state reset and new
// properties at an unaligned position, its matches reaching into a and b.
Bytes ChainedStream(const Bytes& a, const Bytes& b, const Bytes& c, std::uint32_t preset);

PayloadBlock BlockFor(const Bytes& data, const Bytes& packed, bool x86);
