#include "canvas/tools/shape_tool.h"

#include "canvas/tool_context.h"

void CShapeTool::BeginGesture(CToolContext& ctx, QPoint ptCell)
{
    m_bGesture = true;
    m_ptLastCell = ptCell;
    m_bMoving = false;
    m_bMoved = false;
    ctx.SetOverlayShown(true);
}

bool CShapeTool::EnterCell(QPoint ptCell)
{
    if (!m_bGesture || ptCell == m_ptLastCell)
        return false;
    m_ptLastCell = ptCell;
    return true;
}

void CShapeTool::EndGesture(CToolContext& ctx)
{
    if (!m_bGesture)
        return;
    m_bGesture = false;
    OnGestureEnd(ctx);
    m_bMoving = false;
    ctx.Refresh(CToolContext::REFRESH_LAYERS);
    // The last picture stays on screen until the next refresh.
    ctx.SetOverlayShown(false);
}

void CShapeTool::BeginMove(QPoint ptCell)
{
    m_bMoving = true;
    m_bMoved = false;
    m_ptGrab = ptCell;
    m_ptOffset = {};
}

void CShapeTool::UpdateMove(QPoint ptCell)
{
    m_ptOffset = ptCell - m_ptGrab;
    m_bMoved = true;
}
