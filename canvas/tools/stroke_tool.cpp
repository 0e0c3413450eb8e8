#include "canvas/tools/stroke_tool.h"

#include "canvas/art_view.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"

namespace {
QPoint CellOf(const CArtView& view, QPoint ptCanvas)
{
    return {ptCanvas.x() / view.GetCellWidth(), ptCanvas.y() / view.GetCellHeight()};
}
} // namespace

void CStrokeTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (m_bStroking || !ev.bOnCanvas || !AcceptsButton(ev.button) || !view.GetCells())
        return;
    m_bStroking = true;
    m_button = ev.button;
    view.m_bRightButton = ev.button == Qt::RightButton;
    view.BeginEdit();
    m_ptCell = {ev.nCol, ev.nRow};
    m_bAuto = AllowsAutoDraw() && view.m_bAutoDraw;
    if (m_bAuto) {
        m_ptAnchor = ev.ptCanvas;
        view.Shapes().AutoLine().Reset(ev.nCol, ev.nRow);
        return;
    }
    CViewCellWriter writer(view);
    ApplyBrush(writer, ev.nCol, ev.nRow, view.m_nBrushWidth, StrokeChar(view), view.m_crText);
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CStrokeTool::OnMouseMove(CArtView& view, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (ptCell != m_ptHover) {
        m_ptHover = ptCell;
        OnCellEntered(view, ev.nCol, ev.nRow);
    }
    if (m_bStroking && m_bAuto) {
        view.DrawAutoLine(m_ptAnchor.x(), m_ptAnchor.y(), ev.ptCanvas.x(), ev.ptCanvas.y());
        if (ptCell != CellOf(view, m_ptAnchor))
            m_ptAnchor = ev.ptCanvas;
        return;
    }
    if (!m_bStroking || ptCell == m_ptCell)
        return;
    CViewCellWriter writer(view);
    DrawCellLine(writer, m_ptCell.x(), m_ptCell.y(), ptCell.x(), ptCell.y(), view.m_nBrushWidth,
                 StrokeChar(view), view.m_crText);
    m_ptCell = ptCell;
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CStrokeTool::OnMouseRelease(CArtView& view, const CToolMouseEvent& ev)
{
    if (m_bStroking && ev.button == m_button)
        EndStroke(view);
}

void CStrokeTool::EndStroke(CArtView& view)
{
    if (!m_bStroking)
        return;
    m_bStroking = false;
    m_bAuto = false;
    m_button = Qt::NoButton;
    view.m_bRightButton = false;
    view.EndEdit();
    view.Refresh(CArtView::REFRESH_LAYERS);
    if (IViewHost* pHost = view.Host())
        pHost->RefreshFrameThumbnail();
}
