#include "canvas/tools/curve_tool.h"

#include "canvas/shape_preview.h"
#include "canvas/tool_context.h"
#include "res/command_table.h"

void CCurveTool::Deactivate(CToolContext& ctx)
{
    EndGesture(ctx);
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

void CCurveTool::StartCurve(CToolContext& ctx, const CToolMouseEvent& ev)
{
    CShapePreview& shapes = ctx.Shapes();
    ctx.Shapes().CommitPreview();
    m_aPoints = {};
    m_aPoints[0] = {ev.nCol, ev.nRow};
    m_bStarted = true;
    m_bP1 = m_bP2 = m_bP3 = false;
    m_aHandles = {};
    m_ptAnchor = ev.ptCanvas;
    shapes.m_crShape = ctx.GetTextColor();
    shapes.AutoLine().Reset(ev.nCol, ev.nRow);
    m_bRubberBand = true;
}

void CCurveTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || InGesture() || !ctx.GetCells())
        return;
    const QPoint ptCell(ev.nCol, ev.nRow);
    CShapePreview& shapes = ctx.Shapes();
    if (!m_bStarted || !m_bP3) {
        // A first drag that never left its cell placed no end: start over.
        StartCurve(ctx, ev);
        BeginGesture(ctx, ptCell);
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
        BeginGesture(ctx, ptCell);
        DrawCurvePreview(ctx);
        return;
    }
    for (int nDrag = DRAG_P0; nDrag <= DRAG_P2; ++nDrag) {
        if (m_aHandles[static_cast<size_t>(nDrag - 1)].contains(ev.ptCanvas)) {
            m_nDrag = nDrag;
            BeginGesture(ctx, ptCell);
            return;
        }
    }
    if (ctx.IsOverlayInk(ev.ptCanvas)) {
        BeginGesture(ctx, ptCell);
        BeginMove(ptCell);
        return;
    }
    StartCurve(ctx, ev);
    BeginGesture(ctx, ptCell);
}

void CCurveTool::DrawStraight(CToolContext& ctx, QPoint ptMouse)
{
    CShapePreview& shapes = ctx.Shapes();
    shapes.Restart();
    if (ctx.Drawing().IsAutoDraw())
        shapes.AddAutoLine(m_ptAnchor.x(), m_ptAnchor.y(), ptMouse.x(), ptMouse.y());
    else
        shapes.AddCellLine(m_aPoints[0].x(), m_aPoints[0].y(), m_aPoints[3].x(), m_aPoints[3].y());
    shapes.DrawLineGuide(m_aPoints[0], m_aPoints[3]);
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CCurveTool::DrawCurvePreview(CToolContext& ctx)
{
    CShapePreview& shapes = ctx.Shapes();
    shapes.DrawCurve(m_aPoints);
    SetHandles(shapes.DrawCurveGuide(m_aPoints));
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CCurveTool::OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev)
{
    const QPoint ptCell(ev.nCol, ev.nRow);
    if (!EnterCell(ptCell))
        return;
    if (m_bRubberBand) {
        m_aPoints[3] = ptCell;
        m_bP3 = true;
        DrawStraight(ctx, ev.ptCanvas);
    } else if (m_nDrag != DRAG_NONE) {
        m_aPoints[static_cast<size_t>(PointOfDrag(m_nDrag))] = ptCell;
        DrawCurvePreview(ctx);
    } else if (IsMoving()) {
        UpdateMove(ptCell);
        const QPoint ptOffset = MoveOffset();
        ctx.Shapes().MovePreview(ptOffset.x(), ptOffset.y());
        std::array<QPoint, 4> aMoved = m_aPoints;
        for (QPoint& pt : aMoved)
            pt += ptOffset;
        SetHandles(ctx.Shapes().DrawCurveGuide(aMoved));
        ctx.Refresh(CToolContext::REFRESH_VISIBLE);
    }
}

void CCurveTool::OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::LeftButton)
        EndGesture(ctx);
}

void CCurveTool::OnGestureEnd(CToolContext& ctx)
{
    m_bRubberBand = false;
    m_nDrag = DRAG_NONE;
    if (IsMoving() && HasMoved()) {
        ctx.Shapes().AcceptMove();
        for (QPoint& pt : m_aPoints)
            pt += MoveOffset();
    }
}

int CCurveTool::CursorIdAt(const CToolContext& ctx, QPoint ptCanvas) const
{
    if (!m_bP1 || !m_bP2)
        return 0;
    for (const QRect& rc : m_aHandles) {
        if (rc.contains(ptCanvas))
            return gw::IDC_SIZE_WE;
    }
    return ctx.IsOverlayInk(ptCanvas) ? gw::IDC_MOVE : 0;
}
