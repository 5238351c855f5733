#include "payload/payload_block.h"

#include "payload/crc32.h"
#include "payload/lzma2_decoder.h"
#include "payload/x86_filter.h"

bool ExpandBlock(const PayloadBlock& block, const std::uint8_t* packed, std::uint8_t* out) {
  // A flag this reader does not know is a transformation it cannot undo.
  if ((block.flags & ~kBlockX86) != 0 || block.unpackedSize > kMaxBlockSize) return false;
  if (!DecodeLzma2(packed, block.packedSize, out, block.unpackedSize)) return false;
  if ((block.flags & kBlockX86) != 0) UndoX86Filter(out, block.unpackedSize);
  return Crc32(out, block.unpackedSize) == block.crc;
}
