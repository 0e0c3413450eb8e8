#include "canvas/view_layers.h"

#include "canvas/canvas_color.h"

#include <algorithm>
#include <cstring>

namespace {
// Clips a copy of rcSrc to ptDst to both images, keeping the offset
// between source and target.
bool ClipCopy(const QImage& dst, QPoint& ptDst, const QImage& src, QRect& rcSrc)
{
    const QPoint ptDelta = ptDst - rcSrc.topLeft();
    const QRect rcDst = rcSrc.intersected(src.rect()).translated(ptDelta).intersected(dst.rect());
    if (rcDst.isEmpty())
        return false;
    ptDst = rcDst.topLeft();
    rcSrc = rcDst.translated(-ptDelta);
    return true;
}

const QRgb* SrcRow(const QImage& img, int y, int x)
{
    return reinterpret_cast<const QRgb*>(img.constBits() + y * img.bytesPerLine()) + x;
}
} // namespace

void CViewLayers::Create(QSize szCanvas, QRgb rgbBack)
{
    const QSize sz = szCanvas.expandedTo(QSize(1, 1));
    m_imgText = QImage(sz, QImage::Format_RGB32);
    m_imgText.fill(rgbBack);
    m_imgComposition = QImage(sz, QImage::Format_RGB32);
    m_imgComposition.fill(rgbBack);
    m_imgGrid = QImage(sz, QImage::Format_RGB32);
    m_imgGrid.fill(RGB_KEY);
    m_imgOverlay = QImage(sz, QImage::Format_RGB32);
    m_imgOverlay.fill(RGB_KEY);
}

void CViewLayers::ClearOverlay()
{
    m_imgOverlay.fill(RGB_KEY);
}

void CViewLayers::DrawGrid(const CCellGeometry& geom)
{
    m_imgGrid.fill(RGB_KEY);
    const QRgb rgbGrid = ColorRefToRgb(CR_GRID);
    const int nW = std::min(geom.CanvasWidth(), m_imgGrid.width());
    const int nH = std::min(geom.CanvasHeight(), m_imgGrid.height());
    for (int i = 0; i < geom.Rows(); ++i) {
        const int y = i * geom.CellHeight();
        if (y >= nH)
            break;
        auto* pLine = reinterpret_cast<QRgb*>(m_imgGrid.scanLine(y));
        std::fill(pLine, pLine + nW, rgbGrid);
    }
    // Column 0's line lies at x = -1, outside the canvas.
    for (int i = 1; i < geom.Cols(); ++i) {
        const int x = i * geom.CellWidth() - 1;
        if (x >= nW)
            break;
        for (int y = 0; y < nH; ++y)
            reinterpret_cast<QRgb*>(m_imgGrid.scanLine(y))[x] = rgbGrid;
    }
}

void CopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrcIn)
{
    QRect rcSrc = rcSrcIn;
    if (!ClipCopy(dst, ptDst, src, rcSrc))
        return;
    const size_t nBytes = static_cast<size_t>(rcSrc.width()) * sizeof(QRgb);
    uchar* pBits = dst.bits();
    for (int y = 0; y < rcSrc.height(); ++y) {
        auto* pDst = reinterpret_cast<QRgb*>(pBits + (ptDst.y() + y) * dst.bytesPerLine()) + ptDst.x();
        std::memcpy(pDst, SrcRow(src, rcSrc.top() + y, rcSrc.left()), nBytes);
    }
}

void KeyedCopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrcIn)
{
    QRect rcSrc = rcSrcIn;
    if (!ClipCopy(dst, ptDst, src, rcSrc))
        return;
    uchar* pBits = dst.bits();
    for (int y = 0; y < rcSrc.height(); ++y) {
        const QRgb* pSrc = SrcRow(src, rcSrc.top() + y, rcSrc.left());
        auto* pDst = reinterpret_cast<QRgb*>(pBits + (ptDst.y() + y) * dst.bytesPerLine()) + ptDst.x();
        for (int x = 0; x < rcSrc.width(); ++x) {
            if ((pSrc[x] & 0xFFFFFFu) != 0)
                pDst[x] = pSrc[x];
        }
    }
}

void KeyedStretchImage(QImage& dst, const QRect& rcDst, const QImage& src)
{
    if (rcDst.isEmpty() || src.isNull())
        return;
    if (rcDst.size() == src.size()) {
        KeyedCopyImageRect(dst, rcDst.topLeft(), src, src.rect());
        return;
    }
    // Nearest pixel, so the key colour stays exact.
    const QImage scaled = src.scaled(rcDst.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    KeyedCopyImageRect(dst, rcDst.topLeft(), scaled, scaled.rect());
}
