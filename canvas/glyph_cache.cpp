#include "canvas/glyph_cache.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// The zoom levels' fonts, with room for a few more sizes before the least
// recently used is dropped.
constexpr size_t MAX_FONTS = 8;

// Text colour over the background by a per-channel coverage (0..255): per
// channel, back + (text - back) * cov / 255, rounded half away from back.
// Written as back +/- (|text - back| * cov + 127) / 255 so that the vector
// form works on unsigned 16-bit lanes: the sum stays below 65,153.
class CBlend {
public:
    CBlend(QRgb rgbBack, QRgb rgbText)
    {
        for (int i = 0; i < 3; ++i) {
            const int nShift = 8 * i;
            m_nBack[i] = static_cast<int>((rgbBack >> nShift) & 0xFF);
            const int nDiff = static_cast<int>((rgbText >> nShift) & 0xFF) - m_nBack[i];
            m_nAbsDiff[i] = nDiff < 0 ? -nDiff : nDiff;
            m_nNeg[i] = nDiff < 0 ? -1 : 0;
        }
#ifdef __SSE2__
        // Lanes in memory order B, G, R, A for two pixels; alpha stays 255.
        const auto s = [](int n) { return static_cast<short>(n); };
        m_vBack = _mm_setr_epi16(s(m_nBack[0]), s(m_nBack[1]), s(m_nBack[2]), 255, s(m_nBack[0]),
                                 s(m_nBack[1]), s(m_nBack[2]), 255);
        m_vAbsDiff = _mm_setr_epi16(s(m_nAbsDiff[0]), s(m_nAbsDiff[1]), s(m_nAbsDiff[2]), 0,
                                    s(m_nAbsDiff[0]), s(m_nAbsDiff[1]), s(m_nAbsDiff[2]), 0);
        m_vNeg = _mm_setr_epi16(s(m_nNeg[0]), s(m_nNeg[1]), s(m_nNeg[2]), 0, s(m_nNeg[0]),
                                s(m_nNeg[1]), s(m_nNeg[2]), 0);
#endif
    }

    // n pixels of coverage pCov (0x00RRGGBB) into pDst.
    void Row(QRgb* pDst, const uint32_t* pCov, int n) const
    {
#ifdef __SSE2__
        const __m128i vZero = _mm_setzero_si128();
        for (; n >= 4; n -= 4, pDst += 4, pCov += 4) {
            const __m128i vCov = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pCov));
            const __m128i vLo = Mix(_mm_unpacklo_epi8(vCov, vZero));
            const __m128i vHi = Mix(_mm_unpackhi_epi8(vCov, vZero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst), _mm_packus_epi16(vLo, vHi));
        }
        if (n >= 2) {
            const __m128i vCov = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pCov));
            const __m128i vOut = Mix(_mm_unpacklo_epi8(vCov, vZero));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(pDst), _mm_packus_epi16(vOut, vOut));
            n -= 2;
            pDst += 2;
            pCov += 2;
        }
        if (n == 1) {
            const __m128i vCov = _mm_cvtsi32_si128(static_cast<int>(*pCov));
            const __m128i vOut = Mix(_mm_unpacklo_epi8(vCov, vZero));
            *pDst = static_cast<QRgb>(_mm_cvtsi128_si32(_mm_packus_epi16(vOut, vOut)));
        }
#else
        for (int x = 0; x < n; ++x) {
            QRgb rgb = 0xFF000000u;
            for (int i = 0; i < 3; ++i) {
                const int nCov = static_cast<int>((pCov[x] >> (8 * i)) & 0xFF);
                const int nStep = (m_nAbsDiff[i] * nCov + 127) / 255;
                rgb |= static_cast<QRgb>(m_nBack[i] + (m_nNeg[i] ? -nStep : nStep)) << (8 * i);
            }
            pDst[x] = rgb;
        }
#endif
    }

private:
#ifdef __SSE2__
    __m128i Mix(__m128i vCov) const
    {
        const __m128i vSum = _mm_add_epi16(_mm_mullo_epi16(vCov, m_vAbsDiff), _mm_set1_epi16(127));
        // x / 255 for x < 65,153 is (x * 0x8081) >> 23.
        const __m128i vStep =
            _mm_srli_epi16(_mm_mulhi_epu16(vSum, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
        return _mm_add_epi16(m_vBack, _mm_sub_epi16(_mm_xor_si128(vStep, m_vNeg), m_vNeg));
    }

    __m128i m_vBack;
    __m128i m_vAbsDiff;
    __m128i m_vNeg;
#endif
    int m_nBack[3];
    int m_nAbsDiff[3];
    int m_nNeg[3];
};
} // namespace

// A glyph as coverage rows; each row's ink lies in [nLeft, nRight), the
// background fills the rest.
struct CGlyphCache::CShape {
    bool bRendered = false;
    std::vector<uint32_t> vCoverage; // nCellW * nCellH, 0x00RRGGBB
    std::vector<std::pair<int, int>> vInk; // per row, empty when equal
    std::vector<uint32_t> vShades; // the distinct coverages, 0 (the background) among them
};

struct CGlyphCache::CFontShapes {
    QFont font;
    QSize szCell;
    int nAscent = 0;
    int nRendered = 0;
    std::array<CShape, 256> shapes;
};

CGlyphCache::CGlyphCache() = default;
CGlyphCache::~CGlyphCache() = default;

uint8_t UnicodeToCp1252(char16_t ch, uint8_t chMissing)
{
    // 0x80 to 0x9F hold other characters; the C1 controls they displace have no byte,
    // except the five the code page leaves unassigned.
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<uint8_t>(ch);
    for (int n = 0x80; n <= 0x9F; ++n) {
        if (Cp1252ToUnicode(static_cast<uint8_t>(n)) == ch)
            return static_cast<uint8_t>(n);
    }
    return chMissing;
}

void CGlyphCache::SetFont(const QFont& font, QSize szCell)
{
    m_szCell = szCell.expandedTo(QSize(1, 1));
    const auto it = std::find_if(m_vFonts.begin(), m_vFonts.end(), [&](const auto& p) {
        return p->szCell == m_szCell && p->font == font;
    });
    if (it != m_vFonts.end()) {
        // Most recently used last.
        std::rotate(it, it + 1, m_vFonts.end());
    } else {
        if (m_vFonts.size() >= MAX_FONTS)
            m_vFonts.erase(m_vFonts.begin());
        auto p = std::make_unique<CFontShapes>();
        p->font = font;
        p->szCell = m_szCell;
        p->nAscent = QFontMetrics(font).ascent();
        m_vFonts.push_back(std::move(p));
    }
    m_pFont = m_vFonts.back().get();
}

void CGlyphCache::SetBackground(QRgb rgbBack)
{
    m_rgbBack = rgbBack | 0xFF000000u;
}

int CGlyphCache::CachedGlyphCount() const
{
    return m_pFont ? m_pFont->nRendered : 0;
}

const CGlyphCache::CShape& CGlyphCache::Shape(uint8_t ch)
{
    if (!m_pFont)
        SetFont(QFont(), m_szCell);
    CShape& shape = m_pFont->shapes[ch];
    if (shape.bRendered)
        return shape;
    const int nW = m_szCell.width();
    const int nH = m_szCell.height();
    QImage img(m_szCell, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter painter(&img);
        painter.setFont(m_pFont->font);
        painter.setPen(Qt::white);
        const QChar qch(Cp1252ToUnicode(ch));
        // Control bytes have no picture; leave their cells blank.
        if (qch.isPrint())
            painter.drawText(QPoint(0, m_pFont->nAscent), QString(qch));
    }
    shape.vCoverage.resize(static_cast<size_t>(nW) * nH);
    shape.vInk.assign(static_cast<size_t>(nH), {0, 0});
    for (int y = 0; y < nH; ++y) {
        const auto* pLine = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
        uint32_t* pCov = shape.vCoverage.data() + static_cast<size_t>(y) * nW;
        int nLeft = nW;
        int nRight = 0;
        for (int x = 0; x < nW; ++x) {
            pCov[x] = pLine[x] & 0xFFFFFFu;
            if (pCov[x] != 0) {
                nLeft = std::min(nLeft, x);
                nRight = x + 1;
            }
        }
        if (nLeft < nRight)
            shape.vInk[static_cast<size_t>(y)] = {nLeft, nRight};
    }
    shape.vShades = shape.vCoverage;
    shape.vShades.push_back(0);
    std::sort(shape.vShades.begin(), shape.vShades.end());
    shape.vShades.erase(std::unique(shape.vShades.begin(), shape.vShades.end()), shape.vShades.end());
    shape.bRendered = true;
    ++m_pFont->nRendered;
    return shape;
}

void CGlyphCache::InkColors(uint8_t ch, QRgb rgbText, std::vector<QRgb>& vColors)
{
    const CShape& shape = Shape(ch);
    const size_t nAt = vColors.size();
    vColors.resize(nAt + shape.vShades.size());
    // Through the very blend Draw uses, so the colours are the pixels' to the bit.
    CBlend(m_rgbBack, rgbText).Row(vColors.data() + nAt, shape.vShades.data(),
                                   static_cast<int>(shape.vShades.size()));
}

void CGlyphCache::Draw(const CTarget& target, int nX, int nY, uint8_t ch, QRgb rgbText)
{
    const int nW = m_szCell.width();
    const int nH = m_szCell.height();
    const int nLeft = std::max(0, nX);
    const int nTop = std::max(0, nY);
    const int nRight = std::min(target.nWidth, nX + nW);
    const int nBottom = std::min(target.nHeight, nY + nH);
    if (nLeft >= nRight || nTop >= nBottom)
        return;
    const CShape& shape = Shape(ch);
    const CBlend blend(m_rgbBack, rgbText);
    for (int y = nTop; y < nBottom; ++y) {
        auto* pRow = reinterpret_cast<QRgb*>(target.pBits + y * target.nStride);
        const auto [nInkLeft, nInkRight] = shape.vInk[static_cast<size_t>(y - nY)];
        const int nBlendLeft = std::max(nLeft, nX + nInkLeft);
        const int nBlendRight = std::min(nRight, nX + nInkRight);
        if (nBlendLeft >= nBlendRight) {
            std::fill(pRow + nLeft, pRow + nRight, m_rgbBack);
            continue;
        }
        std::fill(pRow + nLeft, pRow + nBlendLeft, m_rgbBack);
        blend.Row(pRow + nBlendLeft,
                  shape.vCoverage.data() + static_cast<size_t>(y - nY) * nW + (nBlendLeft - nX),
                  nBlendRight - nBlendLeft);
        std::fill(pRow + nBlendRight, pRow + nRight, m_rgbBack);
    }
}
