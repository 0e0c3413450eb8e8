#include "canvas/tools/erase_tool.h"

#include "canvas/art_view.h"
#include "canvas/canvas_color.h"

#include <QPainter>

void CEraseTool::Deactivate(CArtView& view)
{
    CStrokeTool::Deactivate(view);
    m_rcOutline = {};
}

void CEraseTool::OnCellEntered(CArtView& view, int nCol, int nRow)
{
    const int nWidth = view.m_nBrushWidth;
    const int nCellW = view.GetCellWidth();
    const int nCellH = view.GetCellHeight();
    m_rcOutline = QRect(nCellW * (nCol - nWidth / 2), nCellH * (nRow - nWidth / 2),
                        nCellW * nWidth, nCellH * nWidth);
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CEraseTool::OnComposeVisible(CArtView& /*view*/, QImage& imgComposition, const QRect& rcPart)
{
    if (m_rcOutline.isEmpty())
        return;
    QPainter painter(&imgComposition);
    painter.setClipRect(rcPart);
    painter.setPen(ColorRefToQColor(CR_NEAR_BLACK));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rcOutline.adjusted(0, 0, -1, -1));
}
