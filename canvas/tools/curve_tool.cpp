#include "canvas/tools/curve_tool.h"

#include "canvas/art_view.h"
#include "res/command_table.h"

void CCurveTool::Deactivate(CArtView& view)
{
    EndGesture(view);
    m_aHandles = {};
}

int CCurveTool::PointOfDrag(int nDrag)
{
    switch (nDrag) {
    case DRAG_P0: return 0;
    case DRAG_P3: return 3;
    case DRAG_P1: return 1;
    case DRAG_P2: return 2;
    default: return -1;
    }
}

void CCurveTool::SetHandles(const std::array<QRect, 4>& aGuide)
{
    m_aHandles = {aGuide[0], aGuide[3], aGuide[1], aGuide[2]};
}

void CCurveTool::StartCurve(CArtView& view, const CToolMouseEvent& ev)
{
    CShapePreview& shapes = view.Shapes();
    view.CommitPreview();
    m_aPoints = {};
    m_aPoints[0] = {ev.nCol, ev.nRow};
    m_bStarted = true;
    m_bP1 = m_bP2 = m_bP3 = false;
    m_aHandles = {};
    m_ptAnchor = ev.ptCanvas;
    shapes.m_crShape = view.m_crText;
    shapes.AutoLine().Reset(ev.nCol, ev.nRow);
    m_bRubberBand = true;
}

void CCurveTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || InGesture() || !view.GetCells())
        return;
    const QPoint ptCell(ev.nCol, ev.nRow);
    CShapePreview& shapes = view.Shapes();
    if (!m_bStarted || !m_bP3) {
        // A first drag that never left its cell placed no end: start over.
        StartCurve(view, ev);
        BeginGesture(view, ptCell);
        return;
    }
    if (!m_bP1 || !m_bP2) {
        // The second click places P1 (P2 with it), the third P2.
        if (!m_bP1) {
            m_aPoints[1] = m_aPoints[2] = ptCell;
            m_bP1 = true;
        } else {
            m_aPoints[2] = ptCell;
            m_bP2 = true;
        }
        shapes.AutoLine().Reset(ev.nCol, ev.nRow);
        BeginGesture(view, ptCell);
        DrawCurvePreview(view);
        return;
    }
    for (int nDrag = DRAG_P0; nDrag <= DRAG_P2; ++nDrag) {
        if (m_aHandles[static_cast<size_t>(nDrag - 1)].contains(ev.ptCanvas)) {
            m_nDrag = nDrag;
            BeginGesture(view, ptCell);
            return;
        }
    }
    if (view.IsOverlayInk(ev.ptCanvas)) {
        BeginGesture(view, ptCell);
        BeginMove(ptCell);
        return;
    }
    StartCurve(view, ev);
    BeginGesture(view, ptCell);
}

void CCurveTool::DrawStraight(CArtView& view, QPoint ptMouse)
{
    CShapePreview& shapes = view.Shapes();
    shapes.Restart();
    if (view.m_bAutoDraw)
        shapes.AddAutoLine(m_ptAnchor.x(), m_ptAnchor.y(), ptMouse.x(), ptMouse.y());
    else
        shapes.AddCellLine(m_aPoints[0].x(), m_aPoints[0].y(), m_aPoints[3].x(), m_aPoints[3].y());
    shapes.DrawLineGuide(m_aPoints[0], m_aPoints[3]);
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CCurveTool::DrawCurvePreview(CArtView& view)
{
    CShapePreview& shapes = view.Shapes();
    shapes.DrawCurve(m_aPoints);
    SetHandles(shapes.DrawCurveGuide(m_aPoints));
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CCurveTool::OnMouseMove(CArtView& view, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (!EnterCell(ptCell))
        return;
    if (m_bRubberBand) {
        m_aPoints[3] = ptCell;
        m_bP3 = true;
        DrawStraight(view, ev.ptCanvas);
    } else if (m_nDrag != DRAG_NONE) {
        m_aPoints[static_cast<size_t>(PointOfDrag(m_nDrag))] = ptCell;
        DrawCurvePreview(view);
    } else if (IsMoving()) {
        UpdateMove(ptCell);
        const QPoint ptOffset = MoveOffset();
        view.Shapes().MovePreview(ptOffset.x(), ptOffset.y());
        std::array<QPoint, 4> aMoved = m_aPoints;
        for (QPoint& pt : aMoved)
            pt += ptOffset;
        SetHandles(view.Shapes().DrawCurveGuide(aMoved));
        view.Refresh(CArtView::REFRESH_VISIBLE);
    }
}

void CCurveTool::OnMouseRelease(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        EndGesture(view);
}

void CCurveTool::OnGestureEnd(CArtView& view)
{
    m_bRubberBand = false;
    m_nDrag = DRAG_NONE;
    if (IsMoving() && HasMoved()) {
        view.Shapes().AcceptMove();
        for (QPoint& pt : m_aPoints)
            pt += MoveOffset();
    }
}

int CCurveTool::CursorIdAt(const CArtView& view, QPoint ptCanvas) const
{
    if (!m_bP1 || !m_bP2)
        return 0;
    for (const QRect& rc : m_aHandles) {
        if (rc.contains(ptCanvas))
            return gw::IDC_SIZE_WE;
    }
    return view.IsOverlayInk(ptCanvas) ? gw::IDC_MOVE : 0;
}
