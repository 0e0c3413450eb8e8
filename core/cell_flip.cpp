#include "core/cell_flip.h"

#include "core/art_doc.h"
#include "core/edit_bracket.h"

namespace {
uint8_t Glyph(uint8_t ch, EMirrorAxis nAxis, EFlipGlyphs glyphs)
{
    return glyphs == EFlipGlyphs::Mirror ? MirrorGlyph(ch, nAxis) : ch;
}

// Puts what a held and what b held, each character mirrored, into the two
// cells (one and the same for the middle cell of an odd run).
void SwapMirrored(CharCell& a, CharCell& b, EMirrorAxis nAxis, EFlipGlyphs glyphs)
{
    const uint8_t chA = Glyph(b.chChar, nAxis, glyphs);
    const uint8_t chB = Glyph(a.chChar, nAxis, glyphs);
    const COLORREF crA = b.crColor;
    const COLORREF crB = a.crColor;
    if (a.chChar != chA || a.crColor != crA) {
        a.chChar = chA;
        a.crColor = crA;
    }
    if (b.chChar != chB || b.crColor != crB) {
        b.chChar = chB;
        b.crColor = crB;
    }
}
} // namespace

void FlipCells(CharCell* pCells, int nWidth, int nHeight, int nStride, EMirrorAxis nAxis,
               EFlipGlyphs glyphs)
{
    if (!pCells || nWidth <= 0 || nHeight <= 0)
        return;
    if (nAxis == EMirrorAxis::LeftRight) {
        for (int r = 0; r < nHeight; ++r) {
            CharCell* pRow = pCells + static_cast<std::ptrdiff_t>(r) * nStride;
            for (int c = 0; c < (nWidth + 1) / 2; ++c)
                SwapMirrored(pRow[c], pRow[nWidth - 1 - c], nAxis, glyphs);
        }
        return;
    }
    for (int r = 0; r < (nHeight + 1) / 2; ++r) {
        CharCell* pTop = pCells + static_cast<std::ptrdiff_t>(r) * nStride;
        CharCell* pBottom = pCells + static_cast<std::ptrdiff_t>(nHeight - 1 - r) * nStride;
        for (int c = 0; c < nWidth; ++c)
            SwapMirrored(pTop[c], pBottom[c], nAxis, glyphs);
    }
}

bool FlipDocFrame(CArtDoc& doc, int nKey, EMirrorAxis nAxis, EFlipGlyphs glyphs)
{
    if (doc.GetFrames().count(nKey) == 0)
        return false;
    doc.SelectFrame(nKey);
    CEditBracket bracket(doc);
    if (!doc.GetCurCells() || doc.GetCurHistory() == 0 || !bracket.BeginEdit())
        return false;
    FlipCells(doc.GetCurCells(), doc.GetCols(), doc.GetRows(), doc.GetCols(), nAxis, glyphs);
    // Refused outright, the step stays open and this bracket would forget
    // it: cancelling keeps the writes without a step.
    if (bracket.EndEdit() == EEditEnd::StillOpen)
        bracket.CancelEdit();
    return true;
}
