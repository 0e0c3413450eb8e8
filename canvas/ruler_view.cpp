#include "canvas/ruler_view.h"

#include "canvas/art_view.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr QRgb RGB_BACKGROUND = 0xFFE3E3E3;
constexpr int RULER_THICKNESS = 16;
constexpr int MAJOR_STEP = 10;
// Ticks and the mouse line sit this far before the border they mark.
constexpr int TICK_SHIFT = 2;
// Numbers reach this far from their tick, so ticks just off the picture are
// still drawn when their number shows.
constexpr int NUMBER_REACH = 64;

// A pixel length times the scale, truncated; kept within int however large
// the scale, and never negative.
int Scaled(double dLength, double dScale)
{
    const double d = std::trunc(dLength * dScale);
    if (!(d > 0)) // also NaN
        return 0;
    return d >= INT_MAX ? INT_MAX : static_cast<int>(d);
}

QFont RulerFont(int nPixels)
{
    QFont font;
    // Times New Roman where the system has it, else its serif face.
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("serif")});
    font.setStyleHint(QFont::Serif, QFont::PreferQuality);
    font.setPixelSize(nPixels);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

CRulerView::CRulerView(QWidget* pParent) : QWidget(pParent), m_font(RulerFont(12))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Clicking a ruler never takes the keyboard from the canvas.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void CRulerView::SetOrientation(int nOrientation)
{
    m_nOrientation = nOrientation == VERTICAL ? VERTICAL : HORIZONTAL;
    m_font = RulerFont(IsHorizontal() ? 12 : 10);
    Rebuild();
    update();
}

QSize CRulerView::sizeHint() const
{
    return IsHorizontal() ? QSize(RULER_THICKNESS * 8, RULER_THICKNESS)
                          : QSize(RULER_THICKNESS, RULER_THICKNESS * 8);
}

void CRulerView::Update(int nMode, int nScrollX, int nScrollY, int nMouseX, int nMouseY,
                        int nCanvasW, int nCanvasH, double dScale)
{
    m_nScrollX = nScrollX;
    m_nScrollY = nScrollY;
    m_nCanvasW = nCanvasW;
    m_nCanvasH = nCanvasH;
    m_dScale = dScale;
    m_nExtent = Scaled(IsHorizontal() ? m_nCanvasW : m_nCanvasH, m_dScale);

    if (nMode == MODE_MOUSE) {
        MoveMouseLine(IsHorizontal() ? nMouseX : nMouseY);
    } else if (nMode == (IsHorizontal() ? MODE_HSCROLL : MODE_VSCROLL)) {
        Rebuild();
        repaint();
    } else if (nMode == MODE_LAYOUT) {
        Rebuild();
        update();
    }
}

QRect CRulerView::MouseStrip(int nPos) const
{
    return IsHorizontal() ? QRect(nPos, 0, 1, height()) : QRect(0, nPos, width(), 1);
}

void CRulerView::MoveMouseLine(int nPos)
{
    if (nPos > m_nExtent)
        return;
    // A rebuild took the line away; put it back even where it was before.
    if (m_bMouseShown && nPos == m_nLastMouse)
        return;
    if (m_bMouseShown)
        update(MouseStrip(m_nLastMouse));
    m_nLastMouse = nPos;
    m_bMouseShown = true;
    update(MouseStrip(nPos));
}

void CRulerView::Rebuild()
{
    m_nExtent = Scaled(IsHorizontal() ? m_nCanvasW : m_nCanvasH, m_dScale);
    m_bMouseShown = false;
    const QSize szClient = size();
    if (szClient.isEmpty()) {
        m_imgPicture = QImage();
        return;
    }
    if (m_imgPicture.size() != szClient)
        m_imgPicture = QImage(szClient, QImage::Format_RGB32);
    m_imgPicture.fill(RGB_BACKGROUND);

    int nCellSize = 0;
    if (m_pView)
        nCellSize = IsHorizontal() ? m_pView->GetCellWidth() : m_pView->GetCellHeight();

    QPainter painter(&m_imgPicture);
    painter.setPen(Qt::black);
    painter.setFont(m_font);
    DrawTicks(painter, MAJOR_STEP, nCellSize, 0, true);
    DrawTicks(painter, 2, nCellSize, 10, false);
    DrawTicks(painter, 1, nCellSize, 12, false);
}

void CRulerView::DrawTicks(QPainter& painter, int nStep, int nCellSize, int nOffset, bool bNumbered)
{
    const int nSpacing = Scaled(static_cast<double>(nStep) * nCellSize, m_dScale);
    // A spacing below one pixel (no view yet, or a tiny scale) has no ticks
    // to show; dividing by it would fault.
    if (nSpacing <= 0)
        return;
    const int nCount = m_nExtent / nSpacing;
    const bool bHorz = IsHorizontal();
    const int nScroll = bHorz ? m_nScrollX : m_nScrollY;
    const int nLength = bHorz ? width() : height();

    // Only the ticks whose line or number can fall on the picture.
    const long long llFirst = (static_cast<long long>(nScroll) + TICK_SHIFT) / nSpacing;
    const long long llLast =
        (static_cast<long long>(nScroll) + TICK_SHIFT + nLength + NUMBER_REACH) / nSpacing;
    const int nFirst = static_cast<int>(std::max(1LL, llFirst));
    const int nLast = static_cast<int>(std::min<long long>(nCount, llLast));
    const QFontMetrics metrics(m_font);

    for (int k = nFirst; k <= nLast; ++k) {
        const long long llPos = static_cast<long long>(k) * nSpacing - nScroll - TICK_SHIFT;
        const int nPos = static_cast<int>(llPos);
        if (bHorz)
            painter.fillRect(nPos, nOffset, 1, height() - nOffset, Qt::black);
        else
            painter.fillRect(nOffset, nPos, width() - nOffset, 1, Qt::black);
        if (!bNumbered)
            continue;
        const QString strNumber = QString::number(static_cast<long long>(k) * nStep);
        if (bHorz) {
            // Right-aligned: the number ends at the tick, its top at the edge.
            painter.drawText(nPos - metrics.horizontalAdvance(strNumber), metrics.ascent(),
                             strNumber);
        } else {
            // Reading upwards from the tick, the glyph tops along the left edge.
            painter.save();
            painter.translate(0, nPos);
            painter.rotate(-90);
            painter.drawText(0, metrics.ascent(), strNumber);
            painter.restore();
        }
    }
}

void CRulerView::mousePressEvent(QMouseEvent* pEvent)
{
    const int nCellSize =
        m_pView ? (IsHorizontal() ? m_pView->GetCellWidth() : m_pView->GetCellHeight()) : 0;
    const int nCells = m_pView ? (IsHorizontal() ? m_pView->GetCols() : m_pView->GetRows()) : 0;
    const double dHalf = nCellSize * m_dScale / 2;
    if (pEvent->button() != Qt::LeftButton || nCells <= 0 || !(dHalf > 0))
        return;
    const int nPos =
        IsHorizontal() ? pEvent->position().toPoint().x() : pEvent->position().toPoint().y();
    const double dAlong = nPos + (IsHorizontal() ? m_nScrollX : m_nScrollY);
    const long long llHalf = std::llround(dAlong / dHalf);
    // An axis on the canvas' own edge would mirror everything off it.
    emit AxisPicked(static_cast<int>(std::clamp<long long>(llHalf, 1, 2LL * nCells - 1)));
}

void CRulerView::resizeEvent(QResizeEvent* /*pEvent*/)
{
    Rebuild();
}

void CRulerView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    if (m_imgPicture.isNull()) {
        painter.fillRect(rect(), QColor::fromRgb(RGB_BACKGROUND));
        return;
    }
    for (const QRect& rc : pEvent->region())
        painter.drawImage(rc.topLeft(), m_imgPicture, rc);
    if (m_bMouseShown) {
        const QRect rcLine = MouseStrip(m_nLastMouse);
        if (pEvent->region().intersects(rcLine))
            painter.fillRect(rcLine, Qt::black);
    }
}
