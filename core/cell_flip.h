// Flips of a rectangle of cells, left-right or top-bottom: each cell's
// character and colour move to the mirrored position, and the character is
// replaced by its mirror image (core/glyph_mirror.h) unless the flip keeps
// characters as they are, for art whose characters must not change.
#pragma once

#include "core/char_cell.h"
#include "core/glyph_mirror.h"

#include <cstdint>

class CArtDoc;

enum class EFlipGlyphs : uint8_t {
    Mirror, // "/" on the left becomes "\" on the right
    Keep,   // positions only
};

// Flips the nWidth x nHeight cells at pCells in place, row r starting at
// pCells + r * nStride. A cell's layout fields (nX, nY, reserved) stay with
// its position; only cells whose character or colour changes are written,
// so a flip of a store's frame touches no page it leaves as it was.
void FlipCells(CharCell* pCells, int nWidth, int nHeight, int nStride, EMirrorAxis nAxis,
               EFlipGlyphs glyphs);

// Flips the whole of frame nKey, which becomes the current frame, as one undo
// step. False, the frame unchanged, when no frame has that key or the system
// refused the step; a commit refused afterwards keeps the flip unrecorded.
bool FlipDocFrame(CArtDoc& doc, int nKey, EMirrorAxis nAxis, EFlipGlyphs glyphs);
