// The block structure of a GIF file, walked without decoding any pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The frames (image descriptors) the file holds; -1 when it is no GIF, when
// a block is cut short, or when bytes that start no block come before the
// trailer. Decoders count and show the whole frames before such damage,
// which would pass for a shorter animation. A file that ends after a whole
// frame without the trailer counts as whole, as viewers take it.
int GifFrameCount(const uint8_t* p, std::size_t nSize);
// The same read from the file's current position to its end, a buffer at a
// time, so the file is never held whole.
int GifFrameCount(std::FILE* pFile);
