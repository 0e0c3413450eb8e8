// The ".gwp" document file: "GWHEADER", the frame count, columns and rows
// (32-bit little-endian, columns first), then every frame's cells as they lie
// in memory, frames in ascending key order.
//
// Reading from disk is in gwp_reader.h; this file also checks a whole file
// held in memory and loads it into a document.
#pragma once

#include "core/art_doc.h"
#include "core/char_cell.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

inline constexpr char GWP_MAGIC[] = "GWHEADER";
inline constexpr std::size_t GWP_HEADER_SIZE = 20;
inline constexpr int GWP_MAX_FRAMES = MAX_FRAME_KEY_COUNT;

inline constexpr const char* MSG_WRONG_TYPE_FILE = "Wrong type file!";

// A file checked and ready to load: its size and the frames' bytes.
struct CGwpImage {
    int nFrames = 0;
    int nCols = 0;
    int nRows = 0;
    std::string_view frames; // nFrames blocks of nRows * nCols * 16 bytes

    std::size_t FrameBytes() const { return std::size_t(nRows) * nCols * sizeof(CharCell); }
    const char* Frame(int n) const { return frames.data() + std::size_t(n) * FrameBytes(); }
};

enum class EGwpResult { Ok, WrongType, Damaged };

// Checks a whole file held in memory. On WrongType or Damaged, *pMessage gets
// the text to show the user and *pImage is left alone. The image points into
// data, which must outlive it.
EGwpResult GwpParse(std::string_view data, CGwpImage* pImage, std::string* pMessage);

// The bytes of the document as a ".gwp" file.
std::string GwpSerialize(const CArtDoc& doc);
// The same bytes written to os a frame at a time; os's state tells whether
// they all went out.
void GwpWrite(std::ostream& os, const CArtDoc& doc);

// Replaces the drawing with the image's frames, each one sealed so that it
// cannot be undone; the last frame ends current and the document unmodified.
// The frames are built before the document is touched: when memory runs out
// (false, with MSG_NO_MEMORY_OPEN in *pMessage) the drawing stays as it was.
bool GwpLoad(CArtDoc& doc, const CGwpImage& image, std::string* pMessage = nullptr);
