// Frames built outside any document, each in a store of its own, in order:
// what a file read makes before CArtDoc::AdoptFrames takes them over, so a
// read that fails half way, or one the user cancels, leaves the drawing on
// screen as it was. The stores are destroyed with the object unless a
// document has adopted them.
#pragma once

#include "core/char_cell.h"

#include <utility>
#include <vector>

struct CLoadedFrames {
    CLoadedFrames() = default;
    ~CLoadedFrames();
    CLoadedFrames(const CLoadedFrames&) = delete;
    CLoadedFrames& operator=(const CLoadedFrames&) = delete;

    // Destroys every store still held.
    void Clear();

    int nRows = 0;
    int nCols = 0;
    std::vector<std::pair<unsigned, CharCell*>> vFrames; // store id, cells
};
