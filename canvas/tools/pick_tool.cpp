#include "canvas/tools/pick_tool.h"

#include "canvas/tool_context.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"

void CPickTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (!ev.bOnCanvas || (ev.button != Qt::LeftButton && ev.button != Qt::RightButton))
        return;
    const uint8_t ch = PickableChar(CViewCellWriter(ctx), ev.nCol, ev.nRow);
    if (ch == 0)
        return;
    const bool bRight = ev.button == Qt::RightButton;
    if (bRight)
        ctx.Drawing().SetRightChar(ch);
    else
        ctx.Drawing().SetLeftChar(ch);
    if (IViewHost* pHost = ctx.Host())
        pHost->CharPicked(bRight, ch);
}
