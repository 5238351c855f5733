#include "szdd_compress.h"

#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kRingSize = 4096;
constexpr int kRingStart = kRingSize - 16;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
// A match never reaches back a whole ring: the slot a full ring back is
// the one the expander is about to overwrite.
constexpr int kFarthest = kRingSize - 1;
constexpr int kHashBits = 15;
// How many earlier places with the same first three bytes are tried. More
// finds slightly longer matches at a steep cost in time.
constexpr int kChainDepth = 16;
// A match this long is taken without looking one byte further.
constexpr int kGoodEnough = 12;

const char kMagic[8] = {'S', 'Z', 'D', 'D', '\x88', '\xF0', '\x27', '\x33'};

struct Match {
  int length = 0;
  int from = 0;  // position in the padded buffer
};

// Finds the longest earlier match for `at`. The buffer holds the ring's
// initial spaces before the data, so that a match can start in them as the
// expander allows.
class MatchFinder {
public:
  MatchFinder(const unsigned char* buffer, int end)
      : buffer_(buffer), end_(end), head_(1u << kHashBits, -1), previous_(kRingSize, -1) {}

  void Insert(int at) {
    if (at + kMinMatch > end_) return;
    const unsigned hash = Hash(at);
    previous_[static_cast<unsigned>(at) & (kRingSize - 1)] = head_[hash];
    head_[hash] = at;
  }

  Match Find(int at) const {
    Match best;
    const int limit = end_ - at < kMaxMatch ? end_ - at : kMaxMatch;
    if (limit < kMinMatch) return best;
    const unsigned char* here = buffer_ + at;
    int candidate = head_[Hash(at)];
    for (int depth = 0; candidate >= 0 && at - candidate <= kFarthest && depth < kChainDepth; ++depth) {
      const unsigned char* there = buffer_ + candidate;
      // Only a candidate that beats the best so far at its last byte can
      // be longer: the cheap test first.
      if (there[best.length] == here[best.length] || best.length == 0) {
        int length = 0;
        while (length < limit && there[length] == here[length]) ++length;
        if (length > best.length) {
          best.length = length;
          best.from = candidate;
          if (length == limit) break;
        }
      }
      const int next = previous_[static_cast<unsigned>(candidate) & (kRingSize - 1)];
      if (next >= candidate) break;  // the slot was reused by a later place
      candidate = next;
    }
    if (best.length < kMinMatch) best.length = 0;
    return best;
  }

private:
  unsigned Hash(int at) const {
    const unsigned char* p = buffer_ + at;
    return ((static_cast<unsigned>(p[0]) << 10) ^ (static_cast<unsigned>(p[1]) << 5) ^ p[2]) & ((1u << kHashBits) - 1);
  }

  const unsigned char* buffer_;
  int end_;
  std::vector<int> head_;
  std::vector<int> previous_;
};

// Collects items eight to a flag byte.
class ItemWriter {
public:
  explicit ItemWriter(std::string& out) : out_(out) {}

  void Literal(unsigned char byte) {
    Begin();
    out_[flagAt_] = static_cast<char>(static_cast<unsigned char>(out_[flagAt_]) | (1u << count_));
    out_.push_back(static_cast<char>(byte));
    ++count_;
  }

  void Reference(int ringPosition, int length) {
    Begin();
    out_.push_back(static_cast<char>(ringPosition & 0xFF));
    out_.push_back(static_cast<char>(((ringPosition >> 4) & 0xF0) | (length - kMinMatch)));
    ++count_;
  }

private:
  void Begin() {
    if (count_ == 8 || flagAt_ == std::string::npos) {
      flagAt_ = out_.size();
      out_.push_back('\0');
      count_ = 0;
    }
  }

  std::string& out_;
  std::size_t flagAt_ = std::string::npos;
  unsigned count_ = 0;
};

void PutLittle32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

std::string CompressSzdd(const unsigned char* data, std::size_t size, char lastChar) {
  std::string out(kMagic, sizeof kMagic);
  out.push_back('A');
  out.push_back(lastChar);
  PutLittle32(out, static_cast<std::uint32_t>(size));
  if (size == 0) return out;
  // Positions are ints; the format's sizes are 32-bit, a set's 4 GB in all.
  if (size > static_cast<std::size_t>(INT_MAX) - kFarthest) throw std::length_error("a file of 2 GB or more");
  out.reserve(kSzddHeaderSize + size + size / 8 + 16);

  // The ring's spaces as they stand before the first byte: a match may
  // start in the last kFarthest of them.
  constexpr int kPad = kFarthest;
  std::vector<unsigned char> buffer(kPad + size);
  std::memset(buffer.data(), ' ', kPad);
  std::memcpy(buffer.data() + kPad, data, size);
  const int end = static_cast<int>(buffer.size());

  MatchFinder finder(buffer.data(), end);
  for (int at = 0; at < kPad; ++at) finder.Insert(at);

  ItemWriter writer(out);
  int at = kPad;
  Match match = finder.Find(at);
  while (at < end) {
    finder.Insert(at);
    if (match.length == 0) {
      writer.Literal(buffer[at]);
      ++at;
      match = finder.Find(at);
      continue;
    }
    // One byte of lookahead: a longer match one place on is worth a literal.
    if (match.length < kGoodEnough && at + 1 < end) {
      const Match next = finder.Find(at + 1);
      if (next.length > match.length) {
        writer.Literal(buffer[at]);
        ++at;
        match = next;
        continue;
      }
    }
    const int ringPosition = (kRingStart + (match.from - kPad)) & (kRingSize - 1);
    writer.Reference(ringPosition, match.length);
    for (int i = 1; i < match.length; ++i) finder.Insert(at + i);
    at += match.length;
    match = at < end ? finder.Find(at) : Match();
  }
  return out;
}

bool ReadSzddHeader(const std::string& file, std::uint32_t& size) {
  if (file.size() < kSzddHeaderSize || file.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0) return false;
  size = 0;
  for (int i = 3; i >= 0; --i) size = (size << 8) | static_cast<unsigned char>(file[10 + i]);
  return true;
}
