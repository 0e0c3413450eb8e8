#include "canvas/tools/erase_tool.h"

#include "canvas/art_view.h"

void CEraseTool::Deactivate(CArtView& view)
{
    CStrokeTool::Deactivate(view);
    view.SetEraserRect({});
}

void CEraseTool::OnCellEntered(CArtView& view, int nCol, int nRow)
{
    const int nWidth = view.m_nBrushWidth;
    const int nCellW = view.GetCellWidth();
    const int nCellH = view.GetCellHeight();
    view.SetEraserRect(QRect(nCellW * (nCol - nWidth / 2), nCellH * (nRow - nWidth / 2),
                             nCellW * nWidth, nCellH * nWidth));
    view.Refresh(CArtView::REFRESH_VISIBLE);
}
