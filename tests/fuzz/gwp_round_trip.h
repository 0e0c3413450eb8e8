// The reader's round trip, shared by the fuzz target and the test that
// replays its findings: a file the reader accepts must load into a drawing
// that writes back exactly the part of the file that was read (the header
// and the frames; anything beyond the last frame is ignored). A file it
// refuses must come with a message.
#pragma once

#include "core/art_doc.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"

#include <string>
#include <string_view>

namespace gwfuzz {

// True when data passes; otherwise *pWhy says what went wrong.
inline bool GwpRoundTripHolds(std::string_view data, std::string* pWhy)
{
    CGwpImage image;
    std::string strMessage;
    const EGwpResult result = GwpParse(data, &image, &strMessage);
    if (result != EGwpResult::Ok) {
        if (strMessage.empty()) {
            *pWhy = "refused without a message";
            return false;
        }
        return true;
    }
    const std::size_t nRead = GWP_HEADER_SIZE + std::size_t(image.nFrames) * image.FrameBytes();
    if (nRead > data.size() || image.frames.data() != data.data() + GWP_HEADER_SIZE ||
        image.frames.size() != nRead - GWP_HEADER_SIZE) {
        *pWhy = "the accepted image does not match its header";
        return false;
    }

    CArtDoc doc;
    // The document destroys the stores it adopted when it goes, so each input
    // leaves the process as it found it (libFuzzer's leak check runs a full
    // scan after any input that does not).
    GwpLoad(doc, image);
    if (doc.GetFrameCount() != image.nFrames || doc.GetRows() != image.nRows ||
        doc.GetCols() != image.nCols) {
        *pWhy = "the loaded drawing has another size or frame count";
        return false;
    }
    if (doc.GetFrames().begin()->first != 0 || doc.GetFrames().rbegin()->first != image.nFrames - 1 ||
        doc.GetCurCells() != doc.GetFrames().rbegin()->second) {
        *pWhy = "the loaded frames are not keyed 0 to count - 1 with the last one current";
        return false;
    }
    if (doc.IsModified() || doc.CanUndo()) {
        *pWhy = "the loaded drawing is modified or can be undone";
        return false;
    }
    const std::string strOut = GwpSerialize(doc);
    if (std::string_view(strOut) != data.substr(0, nRead)) {
        *pWhy = "writing the loaded drawing does not give back the bytes read";
        return false;
    }
    return true;
}

} // namespace gwfuzz
