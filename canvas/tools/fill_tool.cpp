#include "canvas/tools/fill_tool.h"

#include "canvas/art_view.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"

void CFillTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (!ev.bOnCanvas || (ev.button != Qt::LeftButton && ev.button != Qt::RightButton))
        return;
    const uint8_t ch = ev.button == Qt::RightButton ? view.m_chRight : view.m_chLeft;
    // Every cell is redrawn afterwards, so the fill itself draws nothing.
    CViewCellWriter writer(view, false);
    // A fill that would change nothing makes no undo step.
    if (!CanFloodFill(writer, ev.nCol, ev.nRow, ch))
        return;
    view.BeginEdit();
    FloodFill(writer, ev.nCol, ev.nRow, ch);
    view.EndEdit();
    view.Refresh(CArtView::REFRESH_ALL);
    if (IViewHost* pHost = view.Host())
        pHost->RefreshFrameThumbnail();
}
