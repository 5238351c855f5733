#pragma once
// Decoder of a raw LZMA2 stream (no container, no check, properties in the
// chunks) whose whole output fits in one buffer: the buffer is also the
// dictionary, so the dictionary size the encoder used does not matter.
#include <cstddef>
#include <cstdint>

// True only when in[0, inSize) is exactly one well-formed stream, its end
// marker the last byte, and it expands to exactly outSize bytes. Reads
// nothing outside the input and writes nothing outside the output, whatever
// the input; its time is bounded by inSize and outSize.
bool DecodeLzma2(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize);
