#include "canvas/tools/select_tool.h"

#include "canvas/art_view.h"
#include "canvas/view_layers.h"

bool CSelectTool::DrawsUnderGrid(const CArtView& view) const
{
    return !view.GetSelectionRect().isEmpty();
}

void CSelectTool::OnComposeUnderGrid(CArtView& view, QImage& imgComposition)
{
    KeyedStretchImage(imgComposition, view.GetSelectionRect(), view.SelectionLayer());
}
