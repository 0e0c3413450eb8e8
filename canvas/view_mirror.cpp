// Mirror drawing in the view: the drawing state's mirror, and its axes drawn
// as thin guides over the canvas when the window paints (never into the
// layers, so no refresh of the cells is needed when they move).
#include "canvas/art_view.h"

#include "canvas/tool_codes.h"
#include "canvas/view_tool.h"

#include <QPainter>

namespace {
constexpr QRgb RGB_AXIS = 0xFFFF00FF; // magenta: apart from the grid and the caret
} // namespace

void CArtView::SetMirror(const CMirrorSettings& mirror)
{
    if (mirror == m_drawing.Mirror())
        return;
    m_drawing.SetMirror(mirror);
    viewport()->update();
}

QPoint CArtView::TypeCaretCell() const
{
    CViewTool* pTool = GetTool(TOOL_TYPE);
    const IToolCaret* pCaret = pTool ? pTool->Caret() : nullptr;
    return pCaret ? pCaret->CaretCell() : QPoint(0, 0);
}

void CArtView::DrawMirrorAxes(QPainter& painter) const
{
    const CMirrorSettings& settings = m_drawing.Mirror();
    const CMirror mirror(settings, m_geom.Cols(), m_geom.Rows());
    if (!mirror.IsOn())
        return;
    // An axis lies nHalf / 2 cells in: on a border, or through a cell's middle.
    const int nW = m_geom.CanvasWidth();
    const int nH = m_geom.CanvasHeight();
    QPen pen{QColor::fromRgb(RGB_AXIS)};
    pen.setStyle(Qt::DashLine);
    pen.setCosmetic(true);
    painter.save();
    painter.setPen(pen);
    painter.translate(-m_nScrollX, -m_nScrollY);
    if (MirrorsLeftRight(settings.nMode)) {
        const int nX = mirror.HalfCol() * m_geom.CellWidth() / 2;
        if (nX >= 0 && nX <= nW)
            painter.drawLine(nX, 0, nX, nH - 1);
    }
    if (MirrorsTopBottom(settings.nMode)) {
        const int nY = mirror.HalfRow() * m_geom.CellHeight() / 2;
        if (nY >= 0 && nY <= nH)
            painter.drawLine(0, nY, nW - 1, nY);
    }
    painter.restore();
}
