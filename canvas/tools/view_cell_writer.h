// The one cell writer of the tools: the cell algorithms' view of the canvas.
// It reads the current frame's cells and writes through the context's write
// path, drawing each written cell into the text layer unless the caller
// redraws everything afterwards. Every cell a tool writes passes through
// here, so what should happen to every written cell belongs here.
#pragma once

#include "canvas/tool_context.h"
#include "core/cell_algorithms.h"

class CViewCellWriter : public ICellWriter {
public:
    explicit CViewCellWriter(CToolContext& ctx, bool bDraw = true)
        : m_ctx(ctx), m_pCells(ctx.GetCells()), m_nCols(m_pCells ? ctx.GetCols() : 0),
          m_nRows(m_pCells ? ctx.GetRows() : 0), m_bDraw(bDraw)
    {
    }

    int Cols() const override { return m_nCols; }
    int Rows() const override { return m_nRows; }
    uint8_t GetChar(int nCol, int nRow) const override { return Cell(nCol, nRow).chChar; }
    COLORREF GetColor(int nCol, int nRow) const override { return Cell(nCol, nRow).crColor; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        if (m_bDraw)
            m_ctx.WriteCell(nCol, nRow, ch, cr);
        else
            m_ctx.SetCell(nCol, nRow, ch, CToolContext::COLOUR_GIVEN, cr);
    }

private:
    const CharCell& Cell(int nCol, int nRow) const { return m_pCells[nRow * m_nCols + nCol]; }

    CToolContext& m_ctx;
    const CharCell* m_pCells; // the frame does not change while a tool writes
    int m_nCols;
    int m_nRows;
    bool m_bDraw;
};

// One undo step for the writes of one event: opened on construction (a
// refused step leaves the writes skipped), closed on destruction however
// the tool leaves the block.
class CToolEdit {
public:
    explicit CToolEdit(CToolContext& ctx, bool bDraw = true) : m_ctx(ctx), m_writer(ctx, bDraw)
    {
        m_ctx.BeginEdit();
    }
    ~CToolEdit() { m_ctx.EndEdit(); }
    CToolEdit(const CToolEdit&) = delete;
    CToolEdit& operator=(const CToolEdit&) = delete;

    CViewCellWriter& Writer() { return m_writer; }

private:
    CToolContext& m_ctx;
    CViewCellWriter m_writer;
};
