#include "canvas/glyph_cache.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {
constexpr char16_t CP1252_80_9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A glyph cache for many colours must not grow without bound: past this many
// coloured glyphs it starts over.
constexpr size_t MAX_COLORED = 8192;
} // namespace

char16_t Cp1252ToUnicode(uint8_t ch)
{
    if (ch >= 0x80 && ch <= 0x9F)
        return CP1252_80_9F[ch - 0x80];
    return ch;
}

void CGlyphCache::SetFont(const QFont& font, QSize szCell)
{
    m_font = font;
    m_szCell = szCell.expandedTo(QSize(1, 1));
    m_nAscent = QFontMetrics(m_font).ascent();
    m_vCoverage.assign(256, {});
    m_mapColored.clear();
}

void CGlyphCache::SetBackground(QRgb rgbBack)
{
    rgbBack |= 0xFF000000u;
    if (rgbBack == m_rgbBack)
        return;
    m_rgbBack = rgbBack;
    m_mapColored.clear();
}

const uint32_t* CGlyphCache::Coverage(uint8_t ch)
{
    if (m_vCoverage.empty())
        m_vCoverage.assign(256, {});
    std::vector<uint32_t>& v = m_vCoverage[ch];
    if (!v.empty())
        return v.data();
    QImage img(m_szCell, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter painter(&img);
        painter.setFont(m_font);
        painter.setPen(Qt::white);
        const QChar qch(Cp1252ToUnicode(ch));
        // Control bytes have no picture; leave their cells blank.
        if (qch.isPrint())
            painter.drawText(QPoint(0, m_nAscent), QString(qch));
    }
    const int nW = m_szCell.width();
    v.resize(static_cast<size_t>(nW) * m_szCell.height());
    for (int y = 0; y < m_szCell.height(); ++y) {
        const auto* pLine = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
        for (int x = 0; x < nW; ++x)
            v[static_cast<size_t>(y) * nW + x] = pLine[x] & 0xFFFFFFu;
    }
    return v.data();
}

const uint32_t* CGlyphCache::Colored(uint8_t ch, QRgb rgbText)
{
    const uint64_t nKey = (static_cast<uint64_t>(rgbText & 0xFFFFFFu) << 8) | ch;
    const auto it = m_mapColored.find(nKey);
    if (it != m_mapColored.end())
        return it->second.get();
    if (m_mapColored.size() >= MAX_COLORED)
        m_mapColored.clear();

    const uint32_t* pCov = Coverage(ch);
    const size_t nCount = static_cast<size_t>(m_szCell.width()) * m_szCell.height();
    auto pPixels = std::make_unique<uint32_t[]>(nCount);
    for (size_t i = 0; i < nCount; ++i) {
        uint32_t nOut = 0xFF000000u;
        for (int nShift = 0; nShift <= 16; nShift += 8) {
            const int nBack = static_cast<int>((m_rgbBack >> nShift) & 0xFF);
            const int nText = static_cast<int>((rgbText >> nShift) & 0xFF);
            const int nCov = static_cast<int>((pCov[i] >> nShift) & 0xFF);
            const int nMix = nBack + ((nText - nBack) * nCov + (nText >= nBack ? 127 : -127)) / 255;
            nOut |= static_cast<uint32_t>(nMix) << nShift;
        }
        pPixels[i] = nOut;
    }
    const uint32_t* pResult = pPixels.get();
    m_mapColored.emplace(nKey, std::move(pPixels));
    return pResult;
}

void CGlyphCache::Draw(QImage& img, int nX, int nY, uint8_t ch, QRgb rgbText)
{
    const int nW = m_szCell.width();
    const int nH = m_szCell.height();
    const int nLeft = std::max(0, nX);
    const int nTop = std::max(0, nY);
    const int nRight = std::min(img.width(), nX + nW);
    const int nBottom = std::min(img.height(), nY + nH);
    if (nLeft >= nRight || nTop >= nBottom)
        return;
    const uint32_t* pGlyph = Colored(ch, rgbText);
    const size_t nBytes = static_cast<size_t>(nRight - nLeft) * sizeof(uint32_t);
    uchar* pBits = img.bits();
    const qsizetype nStride = img.bytesPerLine();
    for (int y = nTop; y < nBottom; ++y) {
        const uint32_t* pSrc = pGlyph + static_cast<size_t>(y - nY) * nW + (nLeft - nX);
        std::memcpy(reinterpret_cast<uint32_t*>(pBits + y * nStride) + nLeft, pSrc, nBytes);
    }
}
