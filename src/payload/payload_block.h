#pragma once
// One block of the payload expanded: its raw LZMA2 stream decoded into a
// buffer of exactly block.unpackedSize bytes, the x86 filter undone when
// the block's flags say so, and the result checked against block.crc.
#include <cstdint>

#include "payload/payload_format.h"

// packed holds block.packedSize bytes; out has room for block.unpackedSize.
// False for any damage: a malformed stream, a size that does not match,
// an unknown flag, a block over kMaxBlockSize, a wrong CRC. out is then
// left with whatever was decoded and must not be used.
bool ExpandBlock(const PayloadBlock& block, const std::uint8_t* packed, std::uint8_t* out);
