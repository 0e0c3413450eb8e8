#include "canvas/tools/freehand_tool.h"

#include "canvas/tool_context.h"
#include "canvas/view_host.h"

void CFreehandTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    const bool bWasStroking = IsStroking();
    // Looked at before the brush writes its spaces there.
    const bool bBlank = ev.bOnCanvas && ctx.GetCells() &&
                        ctx.GetCells()[ev.nRow * ctx.GetCols() + ev.nCol].chChar == ' ';
    CStrokeTool::OnMousePress(ctx, ev);
    const CDrawingState& drawing = ctx.Drawing();
    if (!bWasStroking && IsStroking() && bBlank && drawing.LeftChar() == ' ' &&
        drawing.RightChar() == ' ' && ctx.Host())
        ctx.Host()->StrokeDrawsNothing();
}

uint8_t CFreehandTool::StrokeChar(const CToolContext& ctx) const
{
    return ctx.Drawing().ButtonChar();
}
