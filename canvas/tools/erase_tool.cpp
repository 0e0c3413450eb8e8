#include "canvas/tools/erase_tool.h"

#include "canvas/canvas_color.h"
#include "canvas/tool_context.h"

#include <QPainter>

void CEraseTool::Deactivate(CToolContext& ctx)
{
    CStrokeTool::Deactivate(ctx);
    m_rcOutline = {};
}

void CEraseTool::OnCellEntered(CToolContext& ctx, int nCol, int nRow)
{
    const int nWidth = ctx.Drawing().BrushWidth();
    const int nCellW = ctx.GetCellWidth();
    const int nCellH = ctx.GetCellHeight();
    m_rcOutline = QRect(nCellW * (nCol - nWidth / 2), nCellH * (nRow - nWidth / 2),
                        nCellW * nWidth, nCellH * nWidth);
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CEraseTool::OnComposeVisible(CToolContext& /*ctx*/, QImage& imgComposition,
                                  const QRect& rcPart)
{
    if (m_rcOutline.isEmpty())
        return;
    QPainter painter(&imgComposition);
    painter.setClipRect(rcPart);
    painter.setPen(ColorRefToQColor(CR_NEAR_BLACK));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_rcOutline.adjusted(0, 0, -1, -1));
}
