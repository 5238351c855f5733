#pragma once
// The one-file form of an installation set: Setup.exe with the set after
// its image. Written by the kit, read by Setup.exe; portable, no platform.
//
// The program's DOS header carries a mark in its reserved words (which
// the loader never reads): where the payload starts and how long it is,
// so that the payload is found without depending on what follows it (a
// signature appended later) and a cut download is told from a plain
// program.
//
// Payload (all numbers little-endian):
//   PayloadHeader
//   block table: blockCount PayloadBlock records
//   directory:   fileCount entries: u32 size, u32 crc, u64 offset,
//                u16 name length, the name (no terminating zero)
//   packed blocks, one after the other
// Every block is a raw LZMA2 stream of its own (the x86 filter first when
// its flag says so) that expands to unpackedSize bytes: a block is decoded
// whole, with its output as the dictionary. The files lie one after the
// other in the expanded stream, in the order the lists install them; a
// content several files share lies once, and their entries name it.
#include <cstdint>

constexpr char kPayloadMagic[8] = {'Q', 'W', 'P', 'A', 'Y', 'L', 'D', 1};
constexpr char kPayloadMark[4] = {'Q', 'W', 'P', 'K'};
// Offset of the mark in the DOS header: its second run of reserved words.
constexpr std::uint32_t kPayloadMarkOffset = 0x28;

// In the DOS header at kPayloadMarkOffset (16 of its 20 reserved bytes).
struct PayloadMark {
  char mark[4];
  std::uint32_t offset;  // of the payload from the start of the file
  std::uint32_t size;    // bytes of the payload
  std::uint32_t crc;     // of the 12 bytes before it
};

struct PayloadHeader {
  char magic[8];
  std::uint32_t headerSize;  // sizeof(PayloadHeader)
  std::uint32_t blockCount;
  std::uint32_t fileCount;
  std::uint32_t directorySize;  // bytes of the directory
  std::uint64_t unpackedSize;   // the whole expanded stream
  // The stream begins with the set's own files that Setup.exe reads before
  // the wizard (Setup.dat, the licence, the help file): startSize bytes,
  // put into a private folder. Up to sharedSize follow contents that
  // several files of the lists share; these bytes are the first block,
  // kept in memory for the whole run, so that any file may take from them.
  std::uint32_t startSize;
  std::uint32_t sharedSize;
  std::uint32_t reserved[2];    // 0
  std::uint32_t payloadCrc;     // of every byte of the payload after the header
  std::uint32_t headerCrc;      // of the header before this field
};

constexpr std::uint32_t kBlockX86 = 1;  // flags: the x86 filter was applied before LZMA2

struct PayloadBlock {
  std::uint32_t packedSize;
  std::uint32_t unpackedSize;
  std::uint32_t crc;    // of the expanded block
  std::uint32_t flags;  // kBlockX86
};

// The largest block the reader accepts: it holds one packed and one
// expanded block in memory at a time.
constexpr std::uint32_t kMaxBlockSize = 64u * 1024 * 1024;

static_assert(sizeof(PayloadMark) == 16, "the mark fills 16 reserved bytes");
static_assert(sizeof(PayloadHeader) == 56, "no padding in the header");
static_assert(sizeof(PayloadBlock) == 16, "no padding in a block record");
