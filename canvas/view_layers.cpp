#include "canvas/view_layers.h"

#include "canvas/canvas_color.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// dst[x] = over[x] unless over[x] is the key colour. Four pixels at a time
// where SSE2 is there: a layer copy is the bulk of every refresh.
void KeyedRow(QRgb* pDst, const QRgb* pOver, int n)
{
    int x = 0;
#ifdef __SSE2__
    const __m128i vRgb = _mm_set1_epi32(0x00FFFFFF);
    const __m128i vZero = _mm_setzero_si128();
    for (; x + 4 <= n; x += 4) {
        const __m128i vOver = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pOver + x));
        const __m128i vDst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pDst + x));
        const __m128i vKey = _mm_cmpeq_epi32(_mm_and_si128(vOver, vRgb), vZero);
        const __m128i vOut = _mm_or_si128(_mm_and_si128(vKey, vDst), _mm_andnot_si128(vKey, vOver));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + x), vOut);
    }
#endif
    for (; x < n; ++x) {
        if ((pOver[x] & 0xFFFFFFu) != 0)
            pDst[x] = pOver[x];
    }
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
    m_gridRuns.Build(m_imgGrid);
}

void CKeyRuns::Build(const QImage& img)
{
    m_vRowStart.assign(1, 0);
    m_vRuns.clear();
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* pRow = SrcRow(img, y, 0);
        for (int x = 0; x < img.width();) {
            const QRgb rgb = pRow[x];
            const int nStart = x;
            while (x < img.width() && pRow[x] == rgb)
                ++x;
            if ((rgb & 0xFFFFFFu) != 0)
                m_vRuns.push_back({nStart, x - nStart, rgb});
        }
        m_vRowStart.push_back(static_cast<int>(m_vRuns.size()));
    }
}

void CKeyRuns::ApplyRow(QRgb* pDstRow, int y, int nLeft, int nRight) const
{
    if (y < 0 || y >= RowCount())
        return;
    const CRun* pRun = m_vRuns.data() + m_vRowStart[y];
    const CRun* const pEnd = m_vRuns.data() + m_vRowStart[y + 1];
    // Runs are sorted by x: skip those that end left of nLeft.
    if (nLeft > 0)
        pRun = std::lower_bound(pRun, pEnd, nLeft,
                                [](const CRun& run, int nX) { return run.nX + run.nLength <= nX; });
    if (pRun != pEnd && pRun->nX < nLeft) { // the first run may start left of the part
        std::fill(pDstRow + nLeft, pDstRow + std::min(nRight + 1, pRun->nX + pRun->nLength), pRun->rgb);
        ++pRun;
    }
    // Runs wholly inside the part need no clamping (the grid's vertical
    // lines: one pixel each, many per row).
    for (; pRun != pEnd && pRun->nX + pRun->nLength <= nRight + 1; ++pRun) {
        if (pRun->nLength == 1)
            pDstRow[pRun->nX] = pRun->rgb;
        else
            std::fill(pDstRow + pRun->nX, pDstRow + pRun->nX + pRun->nLength, pRun->rgb);
    }
    // At most one run reaches past the right edge.
    if (pRun != pEnd && pRun->nX <= nRight)
        std::fill(pDstRow + pRun->nX, pDstRow + nRight + 1, pRun->rgb);
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
        auto* pDst = reinterpret_cast<QRgb*>(pBits + (ptDst.y() + y) * dst.bytesPerLine()) + ptDst.x();
        KeyedRow(pDst, SrcRow(src, rcSrc.top() + y, rcSrc.left()), rcSrc.width());
    }
}

void ComposeLayers(QImage& dst, const QRect& rcPart, const QImage& base, const QImage* pOver,
                   const CKeyRuns* pRuns)
{
    QRect rc = rcPart.intersected(dst.rect()).intersected(base.rect());
    if (pOver)
        rc = rc.intersected(pOver->rect());
    if (rc.isEmpty())
        return;
    uchar* pBits = dst.bits();
    const size_t nBytes = static_cast<size_t>(rc.width()) * sizeof(QRgb);
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        QRgb* pRow = reinterpret_cast<QRgb*>(pBits + y * dst.bytesPerLine());
        std::memcpy(pRow + rc.left(), SrcRow(base, y, rc.left()), nBytes);
        if (pOver)
            KeyedRow(pRow + rc.left(), SrcRow(*pOver, y, rc.left()), rc.width());
        if (pRuns)
            pRuns->ApplyRow(pRow, y, rc.left(), rc.right());
    }
}

void ApplyKeyRuns(QImage& dst, const QRect& rcIn, const CKeyRuns& runs)
{
    const QRect rc = rcIn.intersected(dst.rect());
    uchar* pBits = dst.bits();
    for (int y = rc.top(); y <= rc.bottom(); ++y)
        runs.ApplyRow(reinterpret_cast<QRgb*>(pBits + y * dst.bytesPerLine()), y, rc.left(), rc.right());
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
