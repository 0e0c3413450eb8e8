// The ".gwp" document file: "GWHEADER", the frame count, columns and rows
// (32-bit little-endian, columns first), then every frame's cells as they lie
// in memory, frames in ascending key order.
//
// What reading (gwp_reader.h) and writing (gwp_writer.h) share; neither
// includes the other.
#pragma once

#include "core/art_doc.h"
#include "core/char_cell.h"

#include <cstddef>
#include <string_view>

inline constexpr char GWP_MAGIC[] = "GWHEADER";
inline constexpr std::size_t GWP_HEADER_SIZE = 20;
inline constexpr int GWP_MAX_FRAMES = MAX_FRAME_KEY_COUNT;

inline constexpr const char* MSG_WRONG_TYPE_FILE = "Wrong type file!";
// Shown when the frames of a file do not fit in memory.
inline constexpr const char* MSG_NO_MEMORY_OPEN =
    "Not enough memory to open this drawing (virtual alloc failed).";

// A file checked and ready to load: its size and the frames' bytes.
struct CGwpImage {
    int nFrames = 0;
    int nCols = 0;
    int nRows = 0;
    std::string_view frames; // nFrames blocks of nRows * nCols * 16 bytes

    std::size_t FrameBytes() const { return std::size_t(nRows) * nCols * sizeof(CharCell); }
    const char* Frame(int n) const { return frames.data() + std::size_t(n) * FrameBytes(); }
};
