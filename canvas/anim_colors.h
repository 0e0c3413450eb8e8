// The colours an animation's pictures hold, found from its cells: a cell's
// pixels are its glyph in its colour blended over the background, so the
// distinct (character, colour) pairs of all frames give every colour without
// drawing a frame.
#pragma once

#include "core/char_cell.h"

#include <QRgb>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class CFramePicture;
class IAnimFrameSource;

// Every colour the frames of the source show when drawn by picture, the
// background first, each once, in the order met. Stops as soon as there are
// more than nMax (vColors then holds nMax + 1 colours). False, with the
// reason, when a frame cannot be read.
bool CollectAnimColors(IAnimFrameSource& frames, CFramePicture& picture, size_t nMax,
                       std::vector<QRgb>& vColors, std::string* pError);

// A frame's text colours: the distinct colours of its cells whose characters
// show ink, in the order met, at most nMax + 1 of them (then there are more).
class CTextColors {
public:
    CTextColors(CFramePicture& picture, size_t nMax) : m_picture(picture), m_nMax(nMax)
    {
        m_aInk.fill(-1);
    }
    const std::vector<QRgb>& Of(const CharCell* pCells, size_t nCells);

private:
    CFramePicture& m_picture;
    size_t m_nMax;
    std::array<int8_t, 256> m_aInk; // by character: 1 ink, 0 blank, -1 not yet known
    std::vector<QRgb> m_vColors, m_vShades;
};
