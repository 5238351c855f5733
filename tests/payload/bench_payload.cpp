// Decoding speed of the payload decoder against the xz library's raw
// decoder, on about 100 MB: 32-bit Windows code (x86 filter on) and text,
// in 16 MiB blocks packed at preset 6. The packed blocks are kept in the
// file given as the argument, so that a second run skips the slow encode.
//   bench_payload [cache-file]
#include <lzma.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "payload/crc32.h"
#include "payload/lzma2_decoder.h"
#include "payload/payload_block.h"
#include "payload/x86_filter.h"
#include "payload_test_data.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBlock = 16u << 20;

void Gather(const fs::path& dir, const std::string& suffix, std::size_t limit, Bytes& out) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().string();
    if (it->is_regular_file(ec) && name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    if (out.size() >= limit) break;
    std::ifstream in(f, std::ios::binary);
    out.insert(out.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (out.size() > limit) out.resize(limit);
}

struct Block {
  Bytes packed;
  PayloadBlock record;
};

// Processor time of this process: the machine is shared, and wall time
// counts other programs' turns.
double Seconds(std::clock_t since) { return static_cast<double>(std::clock() - since) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  const std::string cache = argc > 1 ? argv[1] : "bench_payload.cache";
  std::vector<Block> blocks;
  std::ifstream cached(cache, std::ios::binary);
  if (cached) {
    PayloadBlock record;
    while (cached.read(reinterpret_cast<char*>(&record), sizeof record)) {
      Block b{Bytes(record.packedSize), record};
      cached.read(reinterpret_cast<char*>(b.packed.data()), record.packedSize);
      blocks.push_back(b);
    }
  } else {
    Bytes code, text;
    const char* dlls = "/usr/lib/i386-linux-gnu/wine/i386-windows";
    Gather(fs::exists(dlls) ? dlls : "/usr/lib/x86_64-linux-gnu", fs::exists(dlls) ? ".dll" : ".so", 60u << 20, code);
    Gather("/usr/include", ".h", 40u << 20, text);
    std::printf("encoding %zu bytes of code and %zu of text\n", code.size(), text.size());
    std::ofstream out(cache, std::ios::binary);
    for (const Bytes* data : {&code, &text}) {
      for (std::size_t at = 0; at < data->size(); at += kBlock) {
        const Bytes part(data->begin() + static_cast<std::ptrdiff_t>(at),
                         data->begin() + static_cast<std::ptrdiff_t>(std::min(data->size(), at + kBlock)));
        const bool x86 = data == &code;
        Block b{EncodeRaw(part, {6, x86}), {}};
        b.record = BlockFor(part, b.packed, x86);
        out.write(reinterpret_cast<const char*>(&b.record), sizeof b.record);
        out.write(reinterpret_cast<const char*>(b.packed.data()), static_cast<std::streamsize>(b.packed.size()));
        blocks.push_back(b);
      }
    }
  }
  std::size_t packedTotal = 0, total = 0;
  for (const Block& b : blocks) {
    packedTotal += b.packed.size();
    total += b.record.unpackedSize;
  }
  std::printf("%zu blocks, %zu bytes packed to %zu\n", blocks.size(), total, packedTotal);

  Bytes out(kBlock), reference;
  double best[4] = {1e9, 1e9, 1e9, 1e9};  // ours LZMA2, xz LZMA2, ours whole block, xz whole chain
  for (int run = 0; run < 5; ++run) {
    std::clock_t t = std::clock();
    for (const Block& b : blocks) {
      if (!DecodeLzma2(b.packed.data(), b.packed.size(), out.data(), b.record.unpackedSize)) return 1;
    }
    best[0] = std::min(best[0], Seconds(t));
    t = std::clock();
    for (const Block& b : blocks) {
      if (!ReferenceDecode(b.packed, b.record.unpackedSize, false, reference)) return 1;
    }
    best[1] = std::min(best[1], Seconds(t));
    t = std::clock();
    for (const Block& b : blocks) {
      if (!ExpandBlock(b.record, b.packed.data(), out.data())) return 1;
    }
    best[2] = std::min(best[2], Seconds(t));
    t = std::clock();
    for (const Block& b : blocks) {
      if (!ReferenceDecode(b.packed, b.record.unpackedSize, (b.record.flags & kBlockX86) != 0, reference)) return 1;
      if (lzma_crc32(reference.data(), reference.size(), 0) != b.record.crc) return 1;
    }
    best[3] = std::min(best[3], Seconds(t));
  }
  const double mb = static_cast<double>(total) / 1e6;
  std::printf("LZMA2 only:     ours %.3f s (%.0f MB/s), xz %.3f s (%.0f MB/s), ratio %.2f\n", best[0], mb / best[0],
              best[1], mb / best[1], best[0] / best[1]);
  std::printf("whole block:    ours %.3f s (%.0f MB/s), xz %.3f s (%.0f MB/s), ratio %.2f\n", best[2], mb / best[2],
              best[3], mb / best[3], best[2] / best[3]);
  return 0;
}
