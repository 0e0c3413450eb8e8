#include "canvas/tools/line_tool.h"

#include "canvas/shape_preview.h"
#include "canvas/tool_context.h"
#include "res/command_table.h"

void CLineTool::Deactivate(CToolContext& ctx)
{
    EndGesture(ctx);
    m_aHandles = {};
}

void CLineTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || InGesture() || !ctx.GetCells())
        return;
    const QPoint ptCell(ev.nCol, ev.nRow);
    CShapePreview& shapes = ctx.Shapes();
    const int nCellW = ctx.GetCellWidth();
    const int nCellH = ctx.GetCellHeight();
    if (!ctx.IsOverlayInk(ev.ptCanvas)) {
        // Away from the pending line: it is written, a new one starts here.
        ctx.Shapes().CommitPreview();
        m_ptStart = m_ptEnd = ptCell;
        m_ptAnchor = ev.ptCanvas;
        shapes.m_crShape = ctx.GetTextColor();
        shapes.AutoLine().Reset(ev.nCol, ev.nRow);
        m_aHandles = {};
        m_bRubberBand = true;
    } else if (m_aHandles[0].contains(ev.ptCanvas)) {
        // The start handle: the old end becomes the fixed start.
        m_ptStart = m_ptEnd;
        m_ptAnchor = {m_ptStart.x() * nCellW, m_ptStart.y() * nCellH};
        shapes.m_crShape = ctx.GetTextColor();
        m_bRubberBand = true;
    } else if (m_aHandles[1].contains(ev.ptCanvas)) {
        m_ptAnchor = {m_ptStart.x() * nCellW, m_ptStart.y() * nCellH};
        shapes.m_crShape = ctx.GetTextColor();
        m_bRubberBand = true;
    } else {
        BeginGesture(ctx, ptCell);
        BeginMove(ptCell);
        return;
    }
    BeginGesture(ctx, ptCell);
}

void CLineTool::DrawRubberBand(CToolContext& ctx, QPoint ptMouse)
{
    CShapePreview& shapes = ctx.Shapes();
    shapes.Restart();
    // Only what the window shows is drawn on each move; the rest at the end.
    shapes.ClipTo(ctx.VisibleCanvasRect());
    if (ctx.Drawing().IsAutoDraw())
        shapes.AddAutoLine(m_ptAnchor.x(), m_ptAnchor.y(), ptMouse.x(), ptMouse.y());
    else
        shapes.AddCellLine(m_ptStart.x(), m_ptStart.y(), m_ptEnd.x(), m_ptEnd.y());
    m_aHandles = shapes.DrawLineGuide(m_ptStart, m_ptEnd);
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CLineTool::OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (!EnterCell(ptCell))
        return;
    if (m_bRubberBand) {
        m_ptEnd = ptCell;
        DrawRubberBand(ctx, ev.ptCanvas);
    } else if (IsMoving()) {
        UpdateMove(ptCell);
        const QPoint ptOffset = MoveOffset();
        ctx.Shapes().MovePreview(ptOffset.x(), ptOffset.y());
        m_aHandles = ctx.Shapes().DrawLineGuide(m_ptStart + ptOffset, m_ptEnd + ptOffset);
        ctx.Refresh(CToolContext::REFRESH_VISIBLE);
    }
}

void CLineTool::OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        EndGesture(ctx);
}

void CLineTool::OnGestureEnd(CToolContext& ctx)
{
    ctx.Shapes().CompleteOverlay();
    m_bRubberBand = false;
    if (IsMoving() && HasMoved()) {
        ctx.Shapes().AcceptMove();
        m_ptStart += MoveOffset();
        m_ptEnd += MoveOffset();
    }
}

int CLineTool::CursorIdAt(const CToolContext& ctx, QPoint ptCanvas) const
{
    if (m_aHandles[0].contains(ptCanvas) || m_aHandles[1].contains(ptCanvas))
        return gw::IDC_SIZE_WE;
    return ctx.IsOverlayInk(ptCanvas) ? gw::IDC_MOVE : 0;
}
