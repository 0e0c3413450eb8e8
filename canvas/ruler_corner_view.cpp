#include "canvas/ruler_corner_view.h"

#include "canvas/canvas_color.h"
#include "canvas/cell_geometry.h"

#include <QPainter>

namespace {

// Where the letter's cell starts, from the corner's top-left.
constexpr int LETTER_X = 3;
constexpr int LETTER_Y = 3;

} // namespace

CRulerCornerView::CRulerCornerView(QWidget* pParent)
    : QWidget(pParent), m_font(CCellGeometry::ZoomFont(CCellGeometry::ZOOM_DEFAULT))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void CRulerCornerView::paintEvent(QPaintEvent* /*pEvent*/)
{
    QPainter painter(this);
    const QColor crBack = ColorRefToQColor(m_crBack);
    painter.fillRect(rect(), crBack);
    painter.setFont(m_font);
    painter.setPen(ColorRefToQColor(m_crText));
    const QFontMetrics metrics(m_font);
    // The letter's own cell is filled too, as the canvas draws a cell.
    const QRect rcLetter(LETTER_X, LETTER_Y, metrics.horizontalAdvance(QLatin1Char('C')), metrics.height());
    painter.fillRect(rcLetter, crBack);
    painter.drawText(LETTER_X, LETTER_Y + metrics.ascent(), QStringLiteral("C"));
}
