#include "canvas/tools/stroke_tool.h"

#include "canvas/shape_preview.h"
#include "canvas/tool_context.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/auto_line.h"
#include "core/cell_algorithms.h"
#include "core/mirror_writer.h"

namespace {
QPoint CellOf(const CToolContext& ctx, QPoint ptCanvas)
{
    return {ptCanvas.x() / ctx.GetCellWidth(), ptCanvas.y() / ctx.GetCellHeight()};
}

// An auto-draw line written into the cells: one character per cell chosen
// from the stroke's direction, in the text colour; a redundant corner
// becomes a space in its own colour. Then the visible part is refreshed.
void DrawAutoLine(CToolContext& ctx, QPoint pt0, QPoint pt1)
{
    class CCellTarget : public IAutoLineTarget {
    public:
        CCellTarget(ICellWriter& writer, COLORREF cr) : m_writer(writer), m_cr(cr) {}
        int Cols() const override { return m_writer.Cols(); }
        int Rows() const override { return m_writer.Rows(); }
        void WriteAuto(int nCol, int nRow, uint8_t ch) override
        {
            m_writer.SetCell(nCol, nRow, ch, m_cr);
        }
        void ClearCorner(int nCol, int nRow) override
        {
            m_writer.SetCell(nCol, nRow, ' ', m_writer.GetColor(nCol, nRow));
        }

    private:
        ICellWriter& m_writer;
        COLORREF m_cr;
    };
    CViewCellWriter view(ctx);
    CMirrorWriter writer(view, ctx.Drawing().Mirror());
    CCellTarget target(writer, ctx.GetTextColor());
    ctx.Shapes().AutoLine().Draw(target, pt0.x(), pt0.y(), pt1.x(), pt1.y(), ctx.GetCellWidth(),
                                 ctx.GetCellHeight());
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}
} // namespace

void CStrokeTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (m_bStroking || !ev.bOnCanvas || !AcceptsButton(ev.button) || !ctx.GetCells())
        return;
    m_bStroking = true;
    m_button = ev.button;
    ctx.Drawing().SetRightButton(ev.button == Qt::RightButton);
    ctx.BeginEdit();
    m_ptCell = {ev.nCol, ev.nRow};
    m_bAuto = AllowsAutoDraw() && ctx.Drawing().IsAutoDraw();
    if (m_bAuto) {
        m_ptAnchor = ev.ptCanvas;
        ctx.Shapes().AutoLine().Reset(ev.nCol, ev.nRow);
        return;
    }
    CViewCellWriter view(ctx);
    CMirrorWriter writer(view, ctx.Drawing().Mirror());
    ApplyBrush(writer, ev.nCol, ev.nRow, ctx.Drawing().BrushWidth(), StrokeChar(ctx),
               ctx.GetTextColor());
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CStrokeTool::OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (ptCell != m_ptHover) {
        m_ptHover = ptCell;
        OnCellEntered(ctx, ev.nCol, ev.nRow);
    }
    if (m_bStroking && m_bAuto) {
        DrawAutoLine(ctx, m_ptAnchor, ev.ptCanvas);
        if (ptCell != CellOf(ctx, m_ptAnchor))
            m_ptAnchor = ev.ptCanvas;
        return;
    }
    if (!m_bStroking || ptCell == m_ptCell)
        return;
    CViewCellWriter view(ctx);
    CMirrorWriter writer(view, ctx.Drawing().Mirror());
    DrawCellLine(writer, m_ptCell.x(), m_ptCell.y(), ptCell.x(), ptCell.y(),
                 ctx.Drawing().BrushWidth(), StrokeChar(ctx), ctx.GetTextColor());
    m_ptCell = ptCell;
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CStrokeTool::OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (m_bStroking && ev.button == m_button)
        EndStroke(ctx);
}

void CStrokeTool::EndStroke(CToolContext& ctx)
{
    if (!m_bStroking)
        return;
    m_bStroking = false;
    m_bAuto = false;
    m_button = Qt::NoButton;
    ctx.Drawing().SetRightButton(false);
    ctx.EndEdit();
    ctx.Refresh(CToolContext::REFRESH_LAYERS);
    if (IViewHost* pHost = ctx.Host())
        pHost->RefreshFrameThumbnail();
}
