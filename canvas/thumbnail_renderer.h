// The 64 x 64 picture of a frame for the frame panel, made straight from the
// cells. Each cell becomes one pixel: its colour over the background in the
// proportion of ink its glyph has at the current zoom, which is what scaling
// the drawn canvas down to thumbnail size averages to. That pixel grid is
// then scaled to the canvas's proportions, so a thumbnail costs a few
// microseconds per hundred cells and needs no drawing layers: a drawing of
// thousands of frames gets its thumbnails without drawing every frame.
#pragma once

#include "core/char_cell.h"

#include <QFont>
#include <QImage>
#include <QSize>

#include <array>

class CThumbnailRenderer {
public:
    static constexpr int THUMB_SIZE = 64;

    // The zoom font and its cell size; ink is measured again when they change.
    void SetFont(const QFont& font, QSize szCell);
    QSize CellSize() const { return m_szCell; }

    // The picture of nRows x nCols cells on crBack, in a grey (0xAAAAAA)
    // square, proportions kept; an empty picture for no cells.
    QImage Render(const CharCell* pCells, int nRows, int nCols, COLORREF crBack);
    // The part of a rendered square the picture covers, from its top-left
    // corner (Render notes it in the image's text); the whole image for any
    // other image.
    static QSize PictureSize(const QImage& img);

private:
    void MeasureInk();

    QFont m_font;
    QSize m_szCell{1, 1};
    bool m_bMeasured = false;
    // Per byte: the share of each channel (red, green, blue) that the glyph
    // covers, 0 to 256.
    std::array<std::array<uint16_t, 3>, 256> m_aInk{};
};
