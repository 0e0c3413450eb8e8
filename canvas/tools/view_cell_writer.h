// The cell algorithms' view of the canvas: reads the current frame's cells and
// writes through the view's write path, drawing each written cell into the
// text layer unless the caller redraws everything afterwards.
#pragma once

#include "canvas/art_view.h"
#include "core/cell_algorithms.h"

class CViewCellWriter : public ICellWriter {
public:
    explicit CViewCellWriter(CArtView& view, bool bDraw = true) : m_view(view), m_bDraw(bDraw) {}

    int Cols() const override { return m_view.GetCells() ? m_view.GetCols() : 0; }
    int Rows() const override { return m_view.GetCells() ? m_view.GetRows() : 0; }
    uint8_t GetChar(int nCol, int nRow) const override { return Cell(nCol, nRow).chChar; }
    COLORREF GetColor(int nCol, int nRow) const override { return Cell(nCol, nRow).crColor; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        if (m_bDraw)
            m_view.WriteCell(nCol, nRow, ch, cr);
        else
            m_view.SetCell(nCol, nRow, ch, true, cr);
    }

private:
    const CharCell& Cell(int nCol, int nRow) const
    {
        return m_view.GetCells()[nRow * m_view.GetCols() + nCol];
    }

    CArtView& m_view;
    bool m_bDraw;
};
