#include "canvas/tools/fill_tool.h"

#include "canvas/tool_context.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"
#include "core/mirror_writer.h"

void CFillTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (!ev.bOnCanvas || (ev.button != Qt::LeftButton && ev.button != Qt::RightButton))
        return;
    const uint8_t ch =
        ev.button == Qt::RightButton ? ctx.Drawing().RightChar() : ctx.Drawing().LeftChar();
    // A fill that would change nothing makes no undo step.
    if (!CanFloodFill(CViewCellWriter(ctx), ev.nCol, ev.nRow, ch))
        return;
    {
        // Every cell is redrawn afterwards, so the fill itself draws nothing.
        CToolEdit edit(ctx, false);
        // Under a mirror: the region and its images (core/mirror_writer.h).
        MirroredFloodFill(edit.Writer(), ctx.Drawing().Mirror(), ev.nCol, ev.nRow, ch);
    }
    ctx.Refresh(CToolContext::REFRESH_ALL);
    if (IViewHost* pHost = ctx.Host())
        pHost->RefreshFrameThumbnail();
}
