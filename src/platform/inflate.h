#pragma once
#include <cstddef>

// Expands a raw deflate stream (the compressed data of zlib and PNG, without
// their headers) into exactly `outSize` bytes at `out`. False when the
// stream is damaged, ends early, or would give more or fewer bytes: the
// caller's buffer is never overrun, whatever the input.
bool Inflate(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize);
