#include "canvas/cell_geometry.h"

#include <QFontMetrics>

#include <algorithm>

namespace {
constexpr int REQUESTED_W[] = {4, 6, 8, 10, 14};
constexpr int REQUESTED_H[] = {6, 8, 12, 18, 24};

int FloorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
} // namespace

QSize CCellGeometry::RequestedFontSize(int nZoom)
{
    nZoom = std::clamp(nZoom, ZOOM_MIN, ZOOM_MAX);
    return {REQUESTED_W[nZoom], REQUESTED_H[nZoom]};
}

QFont CCellGeometry::ZoomFont(int nZoom)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    font.setPixelSize(RequestedFontSize(nZoom).height());
    // Kerning would shift glyphs within their cells.
    font.setKerning(false);
    return font;
}

bool CCellGeometry::ZoomIn()
{
    if (m_nZoom >= ZOOM_MAX)
        return false;
    ++m_nZoom;
    return true;
}

bool CCellGeometry::ZoomOut()
{
    if (m_nZoom <= ZOOM_MIN)
        return false;
    --m_nZoom;
    return true;
}

void CCellGeometry::SetZoom(int nZoom)
{
    m_nZoom = std::clamp(nZoom, ZOOM_MIN, ZOOM_MAX);
}

void CCellGeometry::MeasureFont()
{
    const QFontMetrics fm(ZoomFont(m_nZoom));
    // The advance of a real glyph: a fixed-pitch font's average width can be
    // rounded differently from the advance the glyphs are laid out with.
    SetCellSize(fm.horizontalAdvance(QLatin1Char('M')), fm.height());
}

void CCellGeometry::SetCellSize(int nWidth, int nHeight)
{
    m_nCellW = std::max(1, nWidth);
    m_nCellH = std::max(1, nHeight);
}

void CCellGeometry::SetGridSize(int nRows, int nCols)
{
    m_nRows = std::max(0, nRows);
    m_nCols = std::max(0, nCols);
}

QPoint CCellGeometry::PixelToCell(QPoint ptCanvas) const
{
    return {FloorDiv(ptCanvas.x(), m_nCellW), FloorDiv(ptCanvas.y(), m_nCellH)};
}

bool CCellGeometry::IsOnCanvas(QPoint ptCanvas) const
{
    return ptCanvas.x() >= 0 && ptCanvas.y() >= 0 && ptCanvas.x() < CanvasWidth()
        && ptCanvas.y() < CanvasHeight();
}

QPoint CCellGeometry::ClampToCanvas(QPoint ptCanvas) const
{
    return {std::clamp(ptCanvas.x(), 0, std::max(0, CanvasWidth() - 1)),
            std::clamp(ptCanvas.y(), 0, std::max(0, CanvasHeight() - 1))};
}

QPoint CCellGeometry::CellOriginAt(int nIndex) const
{
    if (m_nCols <= 0)
        return {};
    return CellOrigin(nIndex % m_nCols, nIndex / m_nCols);
}

QPoint CCellGeometry::MaxScroll(QSize szViewport) const
{
    const QSize sz = ScrollSize();
    return {std::max(0, sz.width() - szViewport.width()),
            std::max(0, sz.height() - szViewport.height())};
}

QPoint CCellGeometry::SnapScroll(QPoint ptScroll, QSize szViewport) const
{
    const QPoint ptMax = MaxScroll(szViewport);
    const int nX = std::clamp(ptScroll.x(), 0, ptMax.x());
    const int nY = std::clamp(ptScroll.y(), 0, ptMax.y());
    return {m_nCellW * (nX / m_nCellW), m_nCellH * (nY / m_nCellH)};
}
