// The rows of a plain PNG (8 bits a sample, grey, grey and alpha, RGB or
// RGBA, not interlaced, no transparent colour) read straight from its IDAT
// chunks, the reading, the inflating and the undoing of the row filters
// each on a thread of its own, so that they overlap. Every check libpng
// makes on that data is made here too (each chunk's CRC, the zlib stream's
// own checksum, the filter types, the amount of data); anything else is
// refused, for libpng's way to read instead.
#pragma once

#include "ui/picture_stream.h"

#include <cstdint>
#include <cstdio>

// True when the picture's colour type and depth are those this reader takes
// (the tRNS check is the caller's, who has the chunk list).
bool PlainPngLayout(int nColorType, int nBitDepth, int nInterlace);

// The rows, from the file's first IDAT chunk on; the header was read and
// checked by libpng, whose width, height and colour type these are. False
// when anything is amiss: the rows given so far are then not the picture's.
bool StreamPlainPng(FILE* pFile, uint32_t nWidth, uint32_t nHeight, int nColorType,
                    const CPictureRowSink& sink);
