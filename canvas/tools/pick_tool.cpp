#include "canvas/tools/pick_tool.h"

#include "canvas/art_view.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"

void CPickTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (!ev.bOnCanvas || (ev.button != Qt::LeftButton && ev.button != Qt::RightButton))
        return;
    const uint8_t ch = PickableChar(CViewCellWriter(view), ev.nCol, ev.nRow);
    if (ch == 0)
        return;
    const bool bRight = ev.button == Qt::RightButton;
    if (bRight)
        view.SetRightChar(ch);
    else
        view.SetLeftChar(ch);
    if (IViewHost* pHost = view.Host())
        pHost->CharPicked(bRight, ch);
}
