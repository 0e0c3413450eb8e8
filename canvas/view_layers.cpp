#include "canvas/view_layers.h"

#include "canvas/canvas_color.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <sys/mman.h>

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

#ifdef __SSE2__
// over where it is not the key colour, else under.
__m128i KeyedSelect(__m128i vUnder, __m128i vOver)
{
    const __m128i vKey =
        _mm_cmpeq_epi32(_mm_and_si128(vOver, _mm_set1_epi32(0x00FFFFFF)), _mm_setzero_si128());
    return _mm_or_si128(_mm_and_si128(vKey, vUnder), _mm_andnot_si128(vKey, vOver));
}
#endif

QRgb KeyedSelect(QRgb rgbUnder, QRgb rgbOver)
{
    return (rgbOver & 0xFFFFFFu) != 0 ? rgbOver : rgbUnder;
}

// pDst[x] = pBase[x], then pOver[x] and pTop[x] over it unless they are the
// key colour; pDst may be pBase. Four pixels at a time where SSE2 is there:
// a layer copy is the bulk of every refresh.
template <bool bOver, bool bTop>
void ComposeRow(QRgb* pDst, const QRgb* pBase, const QRgb* pOver, const QRgb* pTop, int n)
{
    int x = 0;
#ifdef __SSE2__
    for (; x + 4 <= n; x += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBase + x));
        if constexpr (bOver)
            v = KeyedSelect(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pOver + x)));
        if constexpr (bTop)
            v = KeyedSelect(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pTop + x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + x), v);
    }
#endif
    for (; x < n; ++x) {
        QRgb rgb = pBase[x];
        if constexpr (bOver)
            rgb = KeyedSelect(rgb, pOver[x]);
        if constexpr (bTop)
            rgb = KeyedSelect(rgb, pTop[x]);
        pDst[x] = rgb;
    }
}

void KeyedRow(QRgb* pDst, const QRgb* pOver, int n)
{
    ComposeRow<true, false>(pDst, pDst, pOver, nullptr, n);
}

const QRgb* SrcRow(const QImage& img, int y, int x)
{
    return reinterpret_cast<const QRgb*>(img.constBits() + y * img.bytesPerLine()) + x;
}

// A blank layer's own pages, handed back whole when its image goes.
struct SLayerPages {
    void* pPages;
    size_t nBytes;
};

void UnmapLayer(void* pInfo)
{
    auto* pPages = static_cast<SLayerPages*>(pInfo);
    munmap(pPages->pPages, pPages->nBytes);
    delete pPages;
}

void FreeLayer(void* pBlock)
{
    std::free(pBlock);
}
} // namespace

qsizetype LayerStride(int nWidth)
{
    // Whole cache lines, but never whole pages: rows a page apart would all
    // fall into the same cache sets, and a glyph's column of rows with them.
    qsizetype nStride = (qsizetype(nWidth) * qsizetype(sizeof(QRgb)) + 63) & ~qsizetype(63);
    if (nStride % LAYER_PAGE == 0)
        nStride += 64;
    return nStride;
}

QImage NewLayer(QSize sz, int nPageOffset, ELayerStart start)
{
    const qsizetype nStride = LayerStride(sz.width());
    const size_t nBytes = (size_t(nStride) * size_t(sz.height()) + size_t(nPageOffset) + LAYER_PAGE - 1) &
                          ~size_t(LAYER_PAGE - 1);
    if (start == LAYER_DRAWN_WHOLE) {
        // The allocator's memory, often a freed layer's pages already in use.
        void* pBlock = std::aligned_alloc(LAYER_PAGE, nBytes);
        if (!pBlock)
            return QImage(sz, QImage::Format_RGB32);
        return QImage(static_cast<uchar*>(pBlock) + nPageOffset, sz.width(), sz.height(), nStride,
                      QImage::Format_RGB32, FreeLayer, pBlock);
    }
    // Pages straight from the system: they read as zero, the key colour,
    // without a fill, and are not touched until drawn into (a layer at the
    // largest zoom is 16 MB, most of it drawn later or never).
    void* pPages = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pPages == MAP_FAILED) {
        QImage img(sz, QImage::Format_RGB32);
        img.fill(RGB_KEY);
        return img;
    }
    return QImage(static_cast<uchar*>(pPages) + nPageOffset, sz.width(), sz.height(), nStride,
                  QImage::Format_RGB32, UnmapLayer, new SLayerPages{pPages, nBytes});
}

void CViewLayers::Create(QSize szCanvas, QRgb rgbBack)
{
    if (!Resize(szCanvas)) {
        m_imgGrid.fill(RGB_KEY);
        m_bGridImageStale = false;
        m_aGridCells = {};
    }
    m_imgText.fill(rgbBack);
    m_imgComposition.fill(rgbBack);
}

bool CViewLayers::Resize(QSize szCanvas)
{
    const QSize sz = szCanvas.expandedTo(QSize(1, 1));
    if (m_imgText.size() == sz && m_imgComposition.size() == sz && m_imgGrid.size() == sz &&
        m_imgOverlay.size() == sz) {
        ClearOverlay();
        return false;
    }
    Allocate(sz);
    return true;
}

void CViewLayers::Allocate(QSize sz)
{
    // The old layers go first: at the largest zoom they are 16 MB each.
    m_imgText = m_imgComposition = m_imgGrid = m_imgOverlay = QImage();
    // Text and composition are drawn whole before they are seen; the grid
    // and the overlay start blank and are mostly never drawn into.
    m_imgText = NewLayer(sz, OFFSET_TEXT, LAYER_DRAWN_WHOLE);
    m_imgComposition = NewLayer(sz, OFFSET_COMPOSITION, LAYER_DRAWN_WHOLE);
    m_imgGrid = NewLayer(sz, OFFSET_GRID);
    m_bGridImageStale = false;
    m_aGridCells = {};
    m_imgOverlay = NewLayer(sz, OFFSET_OVERLAY);
    m_vDirty.assign(static_cast<size_t>(sz.height()), SRowSpans());
    m_nDirtyTop = INT_MAX;
    m_nDirtyBottom = -1;
}

void CViewLayers::SRowSpans::Add(int nLeft, int nRight)
{
    const auto touches = [&](int i) { return nLeft <= aRight[i] + 1 && nRight >= aLeft[i] - 1; };
    const auto isEmpty = [&](int i) { return aLeft[i] > aRight[i]; };
    int i = 0;
    if (!isEmpty(0) && !touches(0)) {
        if (isEmpty(1) || touches(1)) {
            i = 1;
        } else {
            // A third span joins the nearer of the two.
            const auto gap = [&](int k) { return std::max(aLeft[k], nLeft) - std::min(aRight[k], nRight); };
            i = gap(0) <= gap(1) ? 0 : 1;
        }
    }
    aLeft[i] = std::min(aLeft[i], nLeft);
    aRight[i] = std::max(aRight[i], nRight);
    if (isEmpty(1))
        return;
    // Kept in order and apart: two that now meet become one.
    if (aLeft[1] < aLeft[0]) {
        std::swap(aLeft[0], aLeft[1]);
        std::swap(aRight[0], aRight[1]);
    }
    if (aLeft[1] <= aRight[0] + 1) {
        aRight[0] = std::max(aRight[0], aRight[1]);
        aLeft[1] = INT_MAX;
        aRight[1] = -1;
    }
}

void CViewLayers::MarkOverlay(const QRect& rc)
{
    const QRect rcIn = rc.intersected(m_imgOverlay.rect());
    if (rcIn.isEmpty())
        return;
    for (int y = rcIn.top(); y <= rcIn.bottom(); ++y)
        m_vDirty[static_cast<size_t>(y)].Add(rcIn.left(), rcIn.right());
    m_nDirtyTop = std::min(m_nDirtyTop, rcIn.top());
    m_nDirtyBottom = std::max(m_nDirtyBottom, rcIn.bottom());
}

void CViewLayers::MarkSpan(int y, int nLeft, int nRight)
{
    nLeft = std::max(nLeft, 0);
    nRight = std::min(nRight, m_imgOverlay.width() - 1);
    if (y < 0 || y >= m_imgOverlay.height() || nLeft > nRight)
        return;
    m_vDirty[static_cast<size_t>(y)].Add(nLeft, nRight);
    m_nDirtyTop = std::min(m_nDirtyTop, y);
    m_nDirtyBottom = std::max(m_nDirtyBottom, y);
}

void CViewLayers::MarkOverlayLine(QPoint pt0, QPoint pt1, int nPad)
{
    // Row by row: the part of the line within nPad rows of y, widened by
    // nPad (and a pixel for the rounding) on either side. A long guide is
    // marked in one pass over its rows, not as many overlapping squares.
    if (pt0.y() > pt1.y())
        std::swap(pt0, pt1);
    const qint64 nDx = pt1.x() - pt0.x();
    const qint64 nDy = pt1.y() - pt0.y();
    const int nTop = std::max(pt0.y() - nPad, 0);
    const int nBottom = std::min(pt1.y() + nPad, m_imgOverlay.height() - 1);
    const auto xAt = [&](int y) {
        return nDy == 0 ? pt0.x() : pt0.x() + static_cast<int>(nDx * (y - pt0.y()) / nDy);
    };
    for (int y = nTop; y <= nBottom; ++y) {
        const int nA = nDy == 0 ? pt0.x() : xAt(std::max(y - nPad, pt0.y()));
        const int nB = nDy == 0 ? pt1.x() : xAt(std::min(y + nPad, pt1.y()));
        MarkSpan(y, std::min(nA, nB) - nPad - 1, std::max(nA, nB) + nPad + 1);
    }
}

void CViewLayers::MarkOverlayAll()
{
    MarkOverlay(m_imgOverlay.rect());
}

void CViewLayers::ClearOverlay()
{
    uchar* pBits = m_nDirtyTop <= m_nDirtyBottom ? m_imgOverlay.bits() : nullptr;
    for (int y = m_nDirtyTop; pBits && y <= m_nDirtyBottom; ++y) {
        SRowSpans& spans = m_vDirty[static_cast<size_t>(y)];
        auto* pLine = reinterpret_cast<QRgb*>(pBits + y * m_imgOverlay.bytesPerLine());
        for (int i = 0; i < 2; ++i) {
            if (spans.aLeft[i] <= spans.aRight[i])
                std::fill(pLine + spans.aLeft[i], pLine + spans.aRight[i] + 1, RGB_KEY);
        }
        spans = SRowSpans();
    }
    m_nDirtyTop = INT_MAX;
    m_nDirtyBottom = -1;
}

void CViewLayers::DrawGrid(const CCellGeometry& geom)
{
    const std::array<int, 4> aCells = {geom.CellWidth(), geom.CellHeight(), geom.Cols(), geom.Rows()};
    if (aCells == m_aGridCells)
        return;
    m_aGridCells = aCells;
    // Two distinct rows: the line along the top of a row of cells, and the
    // column ends; every row of the layer is one of them or blank.
    const QRgb rgbGrid = ColorRefToRgb(CR_GRID);
    const int nWidth = m_imgGrid.width();
    const int nW = std::min(geom.CanvasWidth(), nWidth);
    const int nH = std::min(geom.CanvasHeight(), m_imgGrid.height());
    std::vector<QRgb> vPixels(static_cast<size_t>(nWidth) * 3, RGB_KEY);
    QRgb* pLine = vPixels.data();
    QRgb* pEnds = pLine + nWidth;
    const QRgb* pBlank = pEnds + nWidth;
    std::fill(pLine, pLine + nW, rgbGrid);
    // Column 0's line lies at x = -1, outside the canvas.
    bool bEnds = false;
    for (int x = geom.CellWidth() - 1; x < nW - 1; x += geom.CellWidth()) {
        pEnds[x] = rgbGrid;
        bEnds = true;
    }
    std::vector<int> vRowIndex(static_cast<size_t>(m_imgGrid.height()), -1);
    for (int y = 0; y < m_imgGrid.height(); ++y) {
        const bool bLine = y < nH && y % geom.CellHeight() == 0;
        const QRgb* pRow = y >= nH ? pBlank : bLine ? pLine : bEnds ? pEnds : pBlank;
        if (pRow != pBlank)
            vRowIndex[static_cast<size_t>(y)] = bLine ? 0 : 1;
    }
    vPixels.resize(static_cast<size_t>(nWidth) * 2);
    m_gridRows.Assign(nWidth, std::move(vRowIndex), std::move(vPixels));
    // The composition reads the rows; the layer's pixels wait for a reader.
    m_bGridImageStale = true;
}

const QImage& CViewLayers::GridImage()
{
    if (!m_bGridImageStale)
        return m_imgGrid;
    m_bGridImageStale = false;
    const size_t nWidth = static_cast<size_t>(std::min(m_imgGrid.width(), m_gridRows.Width()));
    for (int y = 0; y < m_imgGrid.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(m_imgGrid.scanLine(y));
        const QRgb* pRow = m_gridRows.Row(y);
        if (pRow)
            std::copy(pRow, pRow + nWidth, pLine);
        std::fill(pLine + (pRow ? nWidth : 0), pLine + m_imgGrid.width(), RGB_KEY);
    }
    return m_imgGrid;
}

void CKeyRows::Assign(int nWidth, std::vector<int> vRowIndex, std::vector<QRgb> vPixels)
{
    m_nWidth = nWidth;
    m_vRowIndex = std::move(vRowIndex);
    m_vPixels = std::move(vPixels);
}

void CKeyRows::Build(const QImage& img)
{
    m_nWidth = img.width();
    m_vRowIndex.assign(static_cast<size_t>(img.height()), -1);
    m_vPixels.clear();
    const size_t nBytes = static_cast<size_t>(m_nWidth) * sizeof(QRgb);
    // Distinct rows by a hash of their bytes; equal hashes are compared.
    std::unordered_multimap<size_t, int> mapRows;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* pRow = SrcRow(img, y, 0);
        if (std::all_of(pRow, pRow + m_nWidth, [](QRgb rgb) { return (rgb & 0xFFFFFFu) == 0; }))
            continue;
        const size_t nHash = std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(pRow), nBytes));
        const auto [itFirst, itEnd] = mapRows.equal_range(nHash);
        const auto it = std::find_if(itFirst, itEnd, [&](const auto& entry) {
            return std::memcmp(m_vPixels.data() + static_cast<size_t>(entry.second) * m_nWidth,
                               pRow, nBytes) == 0;
        });
        if (it != itEnd) {
            m_vRowIndex[static_cast<size_t>(y)] = it->second;
            continue;
        }
        const int nIndex = static_cast<int>(m_vPixels.size() / static_cast<size_t>(m_nWidth));
        m_vPixels.insert(m_vPixels.end(), pRow, pRow + m_nWidth);
        mapRows.emplace(nHash, nIndex);
        m_vRowIndex[static_cast<size_t>(y)] = nIndex;
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
        auto* pDst = reinterpret_cast<QRgb*>(pBits + (ptDst.y() + y) * dst.bytesPerLine()) + ptDst.x();
        KeyedRow(pDst, SrcRow(src, rcSrc.top() + y, rcSrc.left()), rcSrc.width());
    }
}

void ComposeLayers(QImage& dst, const QRect& rcPart, const QImage& base, const QImage* pOver,
                   const CKeyRows* pRows)
{
    QRect rc = rcPart.intersected(dst.rect()).intersected(base.rect());
    if (pOver)
        rc = rc.intersected(pOver->rect());
    if (rc.isEmpty())
        return;
    // Rows of another width (built for another canvas) reach no further than they go.
    const int nTopWidth = pRows ? std::clamp(pRows->Width() - rc.left(), 0, rc.width()) : 0;
    uchar* pBits = dst.bits();
    const int nWidth = rc.width();
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        QRgb* pRow = reinterpret_cast<QRgb*>(pBits + y * dst.bytesPerLine()) + rc.left();
        const QRgb* pBase = SrcRow(base, y, rc.left());
        const QRgb* pOverRow = pOver ? SrcRow(*pOver, y, rc.left()) : nullptr;
        const QRgb* pTop = pRows && nTopWidth > 0 ? pRows->Row(y) : nullptr;
        if (pTop) {
            pTop += rc.left();
            if (pOverRow)
                ComposeRow<true, true>(pRow, pBase, pOverRow, pTop, nTopWidth);
            else
                ComposeRow<false, true>(pRow, pBase, nullptr, pTop, nTopWidth);
            if (nTopWidth == nWidth)
                continue;
            // The part right of the rows, as if they were not there.
            pRow += nTopWidth;
            pBase += nTopWidth;
            if (pOverRow)
                pOverRow += nTopWidth;
        }
        const int nRest = pTop ? nWidth - nTopWidth : nWidth;
        if (pOverRow)
            ComposeRow<true, false>(pRow, pBase, pOverRow, nullptr, nRest);
        else
            std::memcpy(pRow, pBase, static_cast<size_t>(nRest) * sizeof(QRgb));
    }
}

void ApplyKeyRows(QImage& dst, const QRect& rcIn, const CKeyRows& rows)
{
    const QRect rc =
        rcIn.intersected(dst.rect()).intersected(QRect(0, 0, rows.Width(), rows.RowCount()));
    uchar* pBits = dst.bits();
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        if (const QRgb* pTop = rows.Row(y))
            KeyedRow(reinterpret_cast<QRgb*>(pBits + y * dst.bytesPerLine()) + rc.left(),
                     pTop + rc.left(), rc.width());
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
