#include "canvas/tools/freehand_tool.h"

#include "canvas/art_view.h"
#include "canvas/view_host.h"

void CFreehandTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    const bool bWasStroking = IsStroking();
    // Looked at before the brush writes its spaces there.
    const bool bBlank = ev.bOnCanvas && view.GetCells() &&
                        view.GetCells()[ev.nRow * view.GetCols() + ev.nCol].chChar == ' ';
    CStrokeTool::OnMousePress(view, ev);
    if (!bWasStroking && IsStroking() && bBlank && view.m_chLeft == ' ' && view.m_chRight == ' ' &&
        view.Host())
        view.Host()->StrokeDrawsNothing();
}

uint8_t CFreehandTool::StrokeChar(const CArtView& view) const
{
    return view.m_bRightButton ? view.m_chRight : view.m_chLeft;
}
