// Reading a ".gwp" file (the layout is in gwp_format.h): from disk, header
// first, or checked whole in memory.
//
// CGwpFile refuses what is not a drawing before it reads any frame: a path
// that is not a regular file (a folder, a pipe, a device), a file whose first
// eight bytes are not the magic, a header whose counts are out of range, and
// a file shorter than its header says. Only then are frames read, one at a
// time or straight into memory that the caller provides, so nothing larger
// than one frame is ever buffered.
//
// GwpReadFrames builds the frames of a drawing in stores of their own; the
// drawing on screen is not touched until CArtDoc::AdoptFrames takes them, so
// a file that fails half way, or a load the user cancels, leaves it as it was.
#pragma once

#include "core/gwp_format.h"
#include "core/loaded_frames.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct CGwpHeader {
    int nFrames = 0;
    int nCols = 0;
    int nRows = 0;

    std::size_t FrameBytes() const { return std::size_t(nRows) * std::size_t(nCols) * sizeof(CharCell); }
    uint64_t FileBytes() const { return GWP_HEADER_SIZE + uint64_t(nFrames) * FrameBytes(); }
};

enum class EGwpOpen {
    Ok,
    Unreadable, // the path cannot be opened for reading (*pMessage: the system's reason)
    WrongType,  // not a regular file, or not the magic: MSG_WRONG_TYPE_FILE
    Damaged,    // a header out of range or a file shorter than its header says
};

class CGwpFile {
public:
    CGwpFile() = default;
    ~CGwpFile();
    CGwpFile(const CGwpFile&) = delete;
    CGwpFile& operator=(const CGwpFile&) = delete;

    // Opens and checks strPath, reading only the 20 header bytes. On any
    // result but Ok the file is closed again and *pMessage says why.
    EGwpOpen Open(const std::string& strPath, std::string* pMessage);
    void Close();

    const CGwpHeader& Header() const { return m_header; }
    // Reads nCount frames from frame nFirst (0-based) into pDst, which holds
    // nCount * FrameBytes() bytes. False, with the reason, on a read error or
    // when the file has shrunk since it was opened.
    bool ReadFrames(int nFirst, int nCount, void* pDst, std::string* pError);

private:
    int m_fd = -1;
    CGwpHeader m_header;
};

// Called after every few frames with the number read so far and the total;
// returning false cancels the load.
using GwpProgress = std::function<bool(int nDone, int nTotal)>;

enum class EGwpLoad {
    Ok,
    Cancelled, // the progress callback said so; nothing is kept
    ReadError, // *pMessage: the reason
    NoMemory,  // *pMessage: MSG_NO_MEMORY_OPEN
};

// Reads every frame of an opened file into *pFrames. Each frame's content is
// a sealed step of its store: it can never be undone. On any result but Ok
// *pFrames is left empty.
EGwpLoad GwpReadFrames(CGwpFile& file, CLoadedFrames* pFrames, std::string* pMessage,
                       const GwpProgress& progress = {});

// The same from a file already in memory (checked by GwpParse).
EGwpLoad GwpBuildFrames(const CGwpImage& image, CLoadedFrames* pFrames, std::string* pMessage);

enum class EGwpResult { Ok, WrongType, Damaged };

// Checks a whole file held in memory. On WrongType or Damaged, *pMessage gets
// the text to show the user and *pImage is left alone. The image points into
// data, which must outlive it.
EGwpResult GwpParse(std::string_view data, CGwpImage* pImage, std::string* pMessage);

// Replaces the drawing with the image's frames, each one sealed so that it
// cannot be undone; the last frame ends current and the document unmodified.
// The frames are built before the document is touched: when memory runs out
// (false, with MSG_NO_MEMORY_OPEN in *pMessage) the drawing stays as it was.
bool GwpLoad(CArtDoc& doc, const CGwpImage& image, std::string* pMessage = nullptr);
