// The ".gwp" document file: "GWHEADER", the frame count, columns and rows
// (32-bit little-endian, columns first), then every frame's cells as they lie
// in memory, frames in ascending key order.
//
// Reading checks the whole file before anything is touched; only then are the
// frames handed to the document, one by one, each written inside an edit
// bracket, committed and sealed so that the loaded content cannot be undone.
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

// What a window adds to loading: the view fills and registers frames and
// shows them. The defaults load into a document alone.
class IGwpLoadSink {
public:
    virtual ~IGwpLoadSink() = default;
    // After the document's OnNewDocument: make the first frame known.
    virtual void InitialUpdate(CArtDoc& doc);
    // Every later frame: add and register a new frame, and make it current.
    virtual void AddFrame(CArtDoc& doc);
    // The current frame now holds what the file stored.
    virtual void FrameLoaded(CArtDoc& /*doc*/) {}
};

// Replaces the drawing with the image's frames, each one committed and sealed.
// The last frame read ends current and the document unmodified.
void GwpLoad(CArtDoc& doc, const CGwpImage& image, IGwpLoadSink* pSink = nullptr);
