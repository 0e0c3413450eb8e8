// What the two paths of `gwconvert image` share: the blank canvas the
// picture is converted onto, and the writing of the result.
#pragma once

#include "cli/convert_args.h"
#include "core/cell_algorithms.h"
#include "core/image_convert.h"

#include <functional>
#include <string>
#include <vector>

// The cells of a new 80 x 128 drawing: spaces in the text colour, each at
// its place for the given cell size, as the editor lays a new canvas out.
class CBlankCanvas : public ICellWriter {
public:
    CBlankCanvas(int nCellWidth, int nCellHeight, COLORREF crText)
        : m_vCells(std::size_t(MAX_ROWS) * MAX_COLS)
    {
        for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i)
            m_vCells[std::size_t(i)] = CharCell{
                crText, (i % MAX_COLS) * nCellWidth, (i / MAX_COLS) * nCellHeight, ' ', {}};
    }

    int Cols() const override { return MAX_COLS; }
    int Rows() const override { return MAX_ROWS; }
    uint8_t GetChar(int nCol, int nRow) const override { return At(nCol, nRow).chChar; }
    COLORREF GetColor(int nCol, int nRow) const override { return At(nCol, nRow).crColor; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        CharCell& cell = m_vCells[Index(nCol, nRow)];
        cell.chChar = ch;
        cell.crColor = cr;
    }

    const std::vector<CharCell>& Cells() const { return m_vCells; }

    // The top-left nRows x nCols block, row by row, for the exports, which
    // take a whole grid.
    std::vector<CharCell> Corner(int nRows, int nCols) const
    {
        std::vector<CharCell> vCorner;
        vCorner.reserve(std::size_t(nRows) * std::size_t(nCols));
        for (int r = 0; r < nRows; ++r) {
            const auto itRow = m_vCells.begin() + std::ptrdiff_t(Index(0, r));
            vCorner.insert(vCorner.end(), itRow, itRow + nCols);
        }
        return vCorner;
    }

private:
    static std::size_t Index(int nCol, int nRow) { return std::size_t(nRow) * MAX_COLS + nCol; }
    const CharCell& At(int nCol, int nRow) const { return m_vCells[Index(nCol, nRow)]; }

    std::vector<CharCell> m_vCells;
};

// The converted cells written as args asks: a drawing, text or a page. Empty
// when written; otherwise the one line that says why not.
std::string WriteConverted(const CConvertArgs& args, const CImageConvertParams& params,
                           const CBlankCanvas& canvas, int nRows, COLORREF crBack);

// The reason a picture of that size gives no row of characters.
std::string TooShort(const CConvertArgs& args, const CImageConvertParams& params, int nWidth,
                     int nHeight);

// Gives the next frame of the picture to convert; false with the one line
// that says why not.
using FrameSource = std::function<bool(CPictureView* pFrame, std::string* pWhy)>;

// `image --frames`: nFrames frames from fnNext, each converted onto a blank
// canvas of its own and written straight into the drawing, so one canvas is
// held however long the animation. Empty when written; otherwise the reason,
// and any existing output is left as it was.
std::string WriteFramesDrawing(const CConvertArgs& args, COLORREF crText, int nFrames,
                               const FrameSource& fnNext);
