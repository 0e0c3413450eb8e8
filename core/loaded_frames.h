// Frames built outside any document, in order, each in a store of its own or,
// for frames smaller than a page, resting in memory of their own (see
// CArtDoc: a store costs pages however few cells it holds):
// what a file read makes before CArtDoc::AdoptFrames takes them over, so a
// read that fails half way, or one the user cancels, leaves the drawing on
// screen as it was. The stores are destroyed with the object unless a
// document has adopted them.
#pragma once

#include "core/char_cell.h"

#include <memory>
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
    std::vector<std::pair<unsigned, CharCell*>> vFrames; // store id (0: resting), cells
    std::vector<std::shared_ptr<CharCell[]>> vResting;   // a resting frame's cells, by position
};

// Frames of fewer bytes rest outside a store until they are current.
inline constexpr std::size_t RESTING_MAX_BYTES = 4096;
