// A JPEG or PNG picture file decoded a few rows at a time, each row handed to
// the caller as it is decoded, so that nothing picture-sized is held (the
// conversion's gwconvert path). Without Qt: it takes only what the picture
// reader's own decoders (picture_reader_direct.h) would decode to exactly
// these pixels, and leaves everything else, refusals and their reasons
// included, to the picture reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Told the picture's size once, then given its rows from the top, each
// nWidth RGBA pixels (bytes R, G, B, A). fnRow is called on a thread of the
// decoder's own, while the next rows are decoded: one call at a time, and
// every call over before StreamPictureFile returns.
struct CPictureRowSink {
    std::function<void(int nWidth, int nHeight)> fnStart;
    std::function<void(const uint8_t* pRow)> fnRow;
};

// True when every row went to the sink and the picture reader would have
// decoded exactly those pixels; false when the picture is to be read the
// full way instead (another format, a variant such as a turned, progressive
// or interlaced picture, a damaged file, one too large, no regular file):
// the rows given so far are then not the picture's.
bool StreamPictureFile(const std::string& strPath, const CPictureRowSink& sink);
