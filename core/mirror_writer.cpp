#include "core/mirror_writer.h"

#include "core/glyph_mirror.h"

#include <vector>

namespace {
int ResolveAxis(int nHalf, int nCells)
{
    return nHalf == MIRROR_AXIS_CENTRE ? nCells : nHalf;
}

// -1 before the axis, 1 after it, 0 on it (the middle of an odd axis' column).
int SideOf(int nCell, int nHalf)
{
    const int nTwice = 2 * nCell + 1;
    return nTwice < nHalf ? -1 : (nTwice > nHalf ? 1 : 0);
}

// The fill's grid seen through its own writes, which are only recorded: the
// region is found on the cells as they were, before any image is written.
class CFillRecorder : public ICellWriter {
public:
    explicit CFillRecorder(const ICellWriter& grid)
        : m_grid(grid), m_vFilled(static_cast<size_t>(grid.Cols()) * grid.Rows(), 0)
    {
    }
    int Cols() const override { return m_grid.Cols(); }
    int Rows() const override { return m_grid.Rows(); }
    uint8_t GetChar(int nCol, int nRow) const override
    {
        return m_vFilled[Index(nCol, nRow)] ? m_ch : m_grid.GetChar(nCol, nRow);
    }
    COLORREF GetColor(int nCol, int nRow) const override { return m_grid.GetColor(nCol, nRow); }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF) override
    {
        m_ch = ch;
        m_vFilled[Index(nCol, nRow)] = 1;
    }
    std::vector<uint8_t>& Filled() { return m_vFilled; }

private:
    size_t Index(int nCol, int nRow) const
    {
        return static_cast<size_t>(nRow) * m_grid.Cols() + nCol;
    }

    const ICellWriter& m_grid;
    std::vector<uint8_t> m_vFilled;
    uint8_t m_ch = CH_SPACE;
};
} // namespace

CMirror::CMirror(const CMirrorSettings& settings, int nCols, int nRows)
    : m_bLeftRight(MirrorsLeftRight(settings.nMode)),
      m_bTopBottom(MirrorsTopBottom(settings.nMode)),
      m_nHalfCol(ResolveAxis(settings.nColAxis, nCols)),
      m_nHalfRow(ResolveAxis(settings.nRowAxis, nRows)), m_nCols(nCols), m_nRows(nRows)
{
}

CMirrorImages CMirror::ImagesOf(int nCol, int nRow, uint8_t ch) const
{
    CMirrorImages images;
    if (!IsOn())
        return images;
    const int nFlipCol = m_nHalfCol - 1 - nCol;
    const int nFlipRow = m_nHalfRow - 1 - nRow;
    const auto add = [&](bool bOn, int nImgCol, int nImgRow, uint8_t chImg) {
        if (!bOn || nImgCol < 0 || nImgRow < 0 || nImgCol >= m_nCols || nImgRow >= m_nRows)
            return;
        if (nImgCol == nCol && nImgRow == nRow)
            return;
        for (int i = 0; i < images.nCount; ++i) {
            if (images.a[i].nCol == nImgCol && images.a[i].nRow == nImgRow)
                return;
        }
        images.a[images.nCount++] = {nImgCol, nImgRow, chImg};
    };
    const uint8_t chLR = MirrorGlyph(ch, EMirrorAxis::LeftRight);
    const uint8_t chTB = MirrorGlyph(ch, EMirrorAxis::TopBottom);
    add(m_bLeftRight, nFlipCol, nRow, chLR);
    add(m_bTopBottom, nCol, nFlipRow, chTB);
    add(m_bLeftRight && m_bTopBottom, nFlipCol, nFlipRow,
        MirrorGlyph(chLR, EMirrorAxis::TopBottom));
    return images;
}

uint8_t CMirror::CharSeenFrom(int nFromCol, int nFromRow, int nCol, int nRow, uint8_t ch) const
{
    const auto across = [](int nFrom, int nTo, int nHalf) {
        const int nSideTo = SideOf(nTo, nHalf);
        const int nSideFrom = SideOf(nFrom, nHalf);
        // A seed on the axis counts as before it.
        return nSideTo != 0 && nSideTo != (nSideFrom == 0 ? -1 : nSideFrom);
    };
    if (m_bLeftRight && across(nFromCol, nCol, m_nHalfCol))
        ch = MirrorGlyph(ch, EMirrorAxis::LeftRight);
    if (m_bTopBottom && across(nFromRow, nRow, m_nHalfRow))
        ch = MirrorGlyph(ch, EMirrorAxis::TopBottom);
    return ch;
}

void CMirrorWriter::SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr)
{
    m_grid.SetCell(nCol, nRow, ch, cr);
    const CMirrorImages images = m_mirror.ImagesOf(nCol, nRow, ch);
    for (int i = 0; i < images.nCount; ++i)
        m_grid.SetCell(images.a[i].nCol, images.a[i].nRow, images.a[i].ch, cr);
}

int MirroredFloodFill(ICellWriter& grid, const CMirrorSettings& settings, int nCol, int nRow,
                      uint8_t ch)
{
    if (!CanFloodFill(grid, nCol, nRow, ch))
        return 0;
    CFillRecorder recorder(grid);
    FloodFill(recorder, nCol, nRow, ch);
    const int nCols = grid.Cols();
    const int nRows = grid.Rows();
    const CMirror mirror(settings, nCols, nRows);
    // The region's images join it before anything is written.
    std::vector<uint8_t>& vCells = recorder.Filled();
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c) {
            if (vCells[static_cast<size_t>(r) * nCols + c] != 1)
                continue;
            const CMirrorImages images = mirror.ImagesOf(c, r, ch);
            for (int i = 0; i < images.nCount; ++i) {
                uint8_t& nCell =
                    vCells[static_cast<size_t>(images.a[i].nRow) * nCols + images.a[i].nCol];
                nCell = nCell ? nCell : 2;
            }
        }
    }
    int nWritten = 0;
    for (int r = 0; r < nRows; ++r) {
        for (int c = 0; c < nCols; ++c) {
            if (!vCells[static_cast<size_t>(r) * nCols + c])
                continue;
            grid.SetCell(c, r, mirror.CharSeenFrom(nCol, nRow, c, r, ch), grid.GetColor(c, r));
            ++nWritten;
        }
    }
    return nWritten;
}
