// Mirror drawing: a cell written while a mirror is on is written again at
// its mirror images, with each character replaced by its mirror image
// (core/glyph_mirror.h), so one half of a symmetric picture draws the other.
//
// Axes are placed in half cells. An axis at nHalf lies nHalf / 2 cells from
// the canvas' left edge (a left-right mirror) or top edge (top-bottom):
// - nHalf even, 2k: on the border between columns k - 1 and k, so every
//   column has a partner on the other side;
// - nHalf odd, 2k + 1: through the middle of column k, which is its own
//   mirror (a write there is not mirrored across that axis).
// Either way column c mirrors to nHalf - 1 - c; images off the grid are
// skipped. MIRROR_AXIS_CENTRE follows the canvas: nHalf is the column (row)
// count, so an even width mirrors about the border between its two middle
// columns and an odd width about its middle column.
#pragma once

#include "core/cell_algorithms.h"

#include <array>
#include <cstdint>

enum class EMirrorMode : uint8_t {
    Off = 0,
    LeftRight = 1, // about a vertical axis
    TopBottom = 2, // about a horizontal axis
    FourWay = 3,   // both, and the diagonal image with both flips applied
};

inline constexpr int MIRROR_AXIS_CENTRE = -1;

struct CMirrorSettings {
    EMirrorMode nMode = EMirrorMode::Off;
    int nColAxis = MIRROR_AXIS_CENTRE; // the left-right axis, in half columns
    int nRowAxis = MIRROR_AXIS_CENTRE; // the top-bottom axis, in half rows
    bool operator==(const CMirrorSettings&) const = default;
};

inline bool MirrorsLeftRight(EMirrorMode nMode)
{
    return nMode == EMirrorMode::LeftRight || nMode == EMirrorMode::FourWay;
}
inline bool MirrorsTopBottom(EMirrorMode nMode)
{
    return nMode == EMirrorMode::TopBottom || nMode == EMirrorMode::FourWay;
}

struct CMirrorImage {
    int nCol;
    int nRow;
    uint8_t ch;
};

struct CMirrorImages {
    int nCount = 0;
    std::array<CMirrorImage, 3> a{};
};

// A mirror's settings resolved for a grid of nCols x nRows.
class CMirror {
public:
    CMirror(const CMirrorSettings& settings, int nCols, int nRows);

    bool IsOn() const { return m_bLeftRight || m_bTopBottom; }
    // The axes in half cells, the canvas centre resolved.
    int HalfCol() const { return m_nHalfCol; }
    int HalfRow() const { return m_nHalfRow; }
    // The other cells a write of ch to (nCol, nRow) also writes, each once and
    // never the cell itself: the left-right image, the top-bottom image, then
    // the diagonal one; those off the grid are left out.
    CMirrorImages ImagesOf(int nCol, int nRow, uint8_t ch) const;
    // The character a cell shows when what is drawn at (nFromCol, nFromRow)
    // as ch is seen from (nCol, nRow): flipped across each axis that lies
    // between them. A cell on an axis counts as on the same side.
    uint8_t CharSeenFrom(int nFromCol, int nFromRow, int nCol, int nRow, uint8_t ch) const;

private:
    bool m_bLeftRight;
    bool m_bTopBottom;
    int m_nHalfCol;
    int m_nHalfRow;
    int m_nCols;
    int m_nRows;
};

// The writer a tool draws through while a mirror is on: reads come from the
// grid behind it, and every SetCell also writes the cell's mirror images in
// the same colour. Where a gesture writes a cell and later the image of
// another cell there, the later write wins, as on a plain canvas.
class CMirrorWriter : public ICellWriter {
public:
    CMirrorWriter(ICellWriter& grid, const CMirrorSettings& settings)
        : m_grid(grid), m_mirror(settings, grid.Cols(), grid.Rows())
    {
    }

    int Cols() const override { return m_grid.Cols(); }
    int Rows() const override { return m_grid.Rows(); }
    uint8_t GetChar(int nCol, int nRow) const override { return m_grid.GetChar(nCol, nRow); }
    COLORREF GetColor(int nCol, int nRow) const override { return m_grid.GetColor(nCol, nRow); }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override;

    const CMirror& Mirror() const { return m_mirror; }

private:
    ICellWriter& m_grid;
    CMirror m_mirror;
};

// A flood fill under a mirror: the region a plain fill from the seed would
// fill, together with that region's mirror images, so the filled cells are
// symmetric whatever the other side held. Each cell gets ch as seen from the
// seed's side (CharSeenFrom) and keeps its colour, as a plain fill does.
// Nothing is filled when CanFloodFill refuses the seed. Returns the number
// of cells written.
int MirroredFloodFill(ICellWriter& grid, const CMirrorSettings& settings, int nCol, int nRow,
                      uint8_t ch);
