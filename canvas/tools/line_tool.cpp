#include "canvas/tools/line_tool.h"

#include "canvas/art_view.h"
#include "res/command_table.h"

void CLineTool::Deactivate(CArtView& view)
{
    EndGesture(view);
    m_aHandles = {};
}

void CLineTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || InGesture() || !view.GetCells())
        return;
    const QPoint ptCell(ev.nCol, ev.nRow);
    CShapePreview& shapes = view.Shapes();
    const int nCellW = view.GetCellWidth();
    const int nCellH = view.GetCellHeight();
    if (!view.IsOverlayInk(ev.ptCanvas)) {
        // Away from the pending line: it is written, a new one starts here.
        view.CommitPreview();
        m_ptStart = m_ptEnd = ptCell;
        m_ptAnchor = ev.ptCanvas;
        shapes.m_crShape = view.m_crText;
        shapes.AutoLine().Reset(ev.nCol, ev.nRow);
        m_aHandles = {};
        m_bRubberBand = true;
    } else if (m_aHandles[0].contains(ev.ptCanvas)) {
        // The start handle: the old end becomes the fixed start.
        m_ptStart = m_ptEnd;
        m_ptAnchor = {m_ptStart.x() * nCellW, m_ptStart.y() * nCellH};
        shapes.m_crShape = view.m_crText;
        m_bRubberBand = true;
    } else if (m_aHandles[1].contains(ev.ptCanvas)) {
        m_ptAnchor = {m_ptStart.x() * nCellW, m_ptStart.y() * nCellH};
        shapes.m_crShape = view.m_crText;
        m_bRubberBand = true;
    } else {
        BeginGesture(view, ptCell);
        BeginMove(ptCell);
        return;
    }
    BeginGesture(view, ptCell);
}

void CLineTool::DrawRubberBand(CArtView& view, QPoint ptMouse)
{
    CShapePreview& shapes = view.Shapes();
    shapes.Restart();
    if (view.m_bAutoDraw)
        shapes.AddAutoLine(m_ptAnchor.x(), m_ptAnchor.y(), ptMouse.x(), ptMouse.y());
    else
        shapes.AddCellLine(m_ptStart.x(), m_ptStart.y(), m_ptEnd.x(), m_ptEnd.y());
    m_aHandles = shapes.DrawLineGuide(m_ptStart, m_ptEnd);
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CLineTool::OnMouseMove(CArtView& view, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (!EnterCell(ptCell))
        return;
    if (m_bRubberBand) {
        m_ptEnd = ptCell;
        DrawRubberBand(view, ev.ptCanvas);
    } else if (IsMoving()) {
        UpdateMove(ptCell);
        const QPoint ptOffset = MoveOffset();
        view.Shapes().MovePreview(ptOffset.x(), ptOffset.y());
        m_aHandles = view.Shapes().DrawLineGuide(m_ptStart + ptOffset, m_ptEnd + ptOffset);
        view.Refresh(CArtView::REFRESH_VISIBLE);
    }
}

void CLineTool::OnMouseRelease(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        EndGesture(view);
}

void CLineTool::OnGestureEnd(CArtView& view)
{
    m_bRubberBand = false;
    if (IsMoving() && HasMoved()) {
        view.Shapes().AcceptMove();
        m_ptStart += MoveOffset();
        m_ptEnd += MoveOffset();
    }
}

int CLineTool::CursorIdAt(const CArtView& view, QPoint ptCanvas) const
{
    if (m_aHandles[0].contains(ptCanvas) || m_aHandles[1].contains(ptCanvas))
        return gw::IDC_SIZE_WE;
    return view.IsOverlayInk(ptCanvas) ? gw::IDC_MOVE : 0;
}
