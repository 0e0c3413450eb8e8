#include "canvas/gif_palette.h"

#include <algorithm>

namespace {
// back + (text - back) * nStep / nSteps, each channel rounded to nearest.
QRgb Blend(QRgb rgbBack, QRgb rgbText, int nStep, int nSteps)
{
    const auto mix = [&](int nBack, int nText) {
        const int nDiff = (nText - nBack) * nStep;
        return nBack + (nDiff >= 0 ? (nDiff + nSteps / 2) / nSteps : -((-nDiff + nSteps / 2) / nSteps));
    };
    return qRgb(mix(qRed(rgbBack), qRed(rgbText)), mix(qGreen(rgbBack), qGreen(rgbText)),
                mix(qBlue(rgbBack), qBlue(rgbText)));
}

constexpr size_t FIRST_SLOTS = size_t(1) << 12;
// The cache is dropped past this many colours rather than grown further.
constexpr size_t MAX_CACHED = size_t(1) << 20;
} // namespace

bool CGifPalette::BuildRamps(QRgb rgbBack, const std::vector<QRgb>& vText, int nMax)
{
    rgbBack |= 0xFF000000u;
    std::vector<QRgb> vEnds;
    for (QRgb rgb : vText) {
        rgb |= 0xFF000000u;
        if (rgb != rgbBack && std::find(vEnds.begin(), vEnds.end(), rgb) == vEnds.end())
            vEnds.push_back(rgb);
    }
    // In one order whatever the frame's, so frames of the same colours share a table.
    std::sort(vEnds.begin(), vEnds.end());
    const int nText = static_cast<int>(vEnds.size());
    if (nText + 1 > nMax)
        return false;
    std::vector<QRgb> vColors{rgbBack};
    vColors.insert(vColors.end(), vEnds.begin(), vEnds.end());
    const int nLeft = nMax - 1 - nText;
    for (int i = 0; i < nText; ++i) {
        // nBlends between the background and the text colour, ends excluded.
        const int nBlends = nLeft / nText + (i < nLeft % nText ? 1 : 0);
        for (int n = 1; n <= nBlends; ++n)
            vColors.push_back(Blend(rgbBack, vEnds[size_t(i)], n, nBlends + 1));
    }
    // The same table as the last frame's keeps the colours already placed.
    if (m_bCut || vColors != m_vColors || m_vCache.empty())
        ClearCache(FIRST_SLOTS);
    m_bCut = false;
    m_rgbBack = rgbBack;
    m_vColors = std::move(vColors);
    return true;
}

void CGifPalette::BeginCut(QRgb rgbBack)
{
    m_rgbBack = rgbBack | 0xFF000000u;
    m_vBins.assign(size_t(1) << (3 * BIN_BITS), CBin{});
}

CGifPalette::CBox CGifPalette::MakeBox(size_t nBegin, size_t nEnd) const
{
    CBox box{nBegin, nEnd, 0, 0, -1};
    int aLo[3] = {255, 255, 255}, aHi[3] = {0, 0, 0};
    for (size_t i = nBegin; i < nEnd; ++i) {
        box.nCount += m_vBins[m_vCut[i]].nCount;
        for (int c = 0; c < 3; ++c) {
            aLo[c] = std::min(aLo[c], BinChannel(m_vCut[i], c));
            aHi[c] = std::max(aHi[c], BinChannel(m_vCut[i], c));
        }
    }
    for (int c = 0; c < 3; ++c)
        if (aHi[c] - aLo[c] > box.nExtent) {
            box.nExtent = aHi[c] - aLo[c];
            box.nChannel = c;
        }
    return box;
}

void CGifPalette::BuildCut(int nMax)
{
    m_bCut = true;
    m_vCut.clear();
    for (size_t i = 0; i < m_vBins.size(); ++i)
        if (m_vBins[i].nCount)
            m_vCut.push_back(static_cast<uint16_t>(i));
    std::vector<CBox> vBoxes;
    if (!m_vCut.empty())
        vBoxes.push_back(MakeBox(0, m_vCut.size()));
    // Split the box of most pixels times width across its widest channel at
    // the median pixel, until the table is full or every box is one bin.
    while (!vBoxes.empty() && static_cast<int>(vBoxes.size()) + 1 < nMax) {
        const auto it = std::max_element(vBoxes.begin(), vBoxes.end(), [](const CBox& a, const CBox& b) {
            return a.nCount * uint64_t(a.nExtent) < b.nCount * uint64_t(b.nExtent);
        });
        if (it->nExtent <= 0)
            break;
        const CBox box = *it;
        const auto itBegin = m_vCut.begin() + std::ptrdiff_t(box.nBegin);
        const auto itEnd = m_vCut.begin() + std::ptrdiff_t(box.nEnd);
        std::sort(itBegin, itEnd, [&](uint16_t a, uint16_t b) {
            return BinChannel(a, box.nChannel) < BinChannel(b, box.nChannel);
        });
        uint64_t nSeen = 0;
        size_t nSplit = box.nBegin + 1;
        for (size_t i = box.nBegin; i + 1 < box.nEnd; ++i) {
            nSeen += m_vBins[m_vCut[i]].nCount;
            nSplit = i + 1;
            if (2 * nSeen >= box.nCount)
                break;
        }
        *it = MakeBox(box.nBegin, nSplit);
        vBoxes.push_back(MakeBox(nSplit, box.nEnd));
    }
    // Each box's mean at full precision: one colour alone in a box is exact.
    m_vColors.assign(1, m_rgbBack);
    m_vBinEntry.assign(m_vBins.size(), 0);
    for (const CBox& box : vBoxes) {
        uint64_t aSum[3] = {0, 0, 0};
        for (size_t i = box.nBegin; i < box.nEnd; ++i) {
            for (int c = 0; c < 3; ++c)
                aSum[c] += m_vBins[m_vCut[i]].aSum[c];
            m_vBinEntry[m_vCut[i]] = static_cast<uint8_t>(m_vColors.size());
        }
        const auto mean = [&](int c) { return int((aSum[c] + box.nCount / 2) / box.nCount); };
        m_vColors.push_back(qRgb(mean(0), mean(1), mean(2)));
    }
}

int CGifPalette::Nearest(QRgb rgb) const
{
    int nBest = 0, nBestDist = 1 << 30;
    for (size_t i = 0; i < m_vColors.size() && nBestDist; ++i) {
        const int nR = qRed(rgb) - qRed(m_vColors[i]);
        const int nG = qGreen(rgb) - qGreen(m_vColors[i]);
        const int nB = qBlue(rgb) - qBlue(m_vColors[i]);
        const int nDist = nR * nR + nG * nG + nB * nB;
        if (nDist < nBestDist) {
            nBestDist = nDist;
            nBest = static_cast<int>(i);
        }
    }
    return nBest;
}

void CGifPalette::ClearCache(size_t nSlots)
{
    m_vCache.assign(nSlots, CCached{0, 0});
    m_nCached = 0;
}

int CGifPalette::MapNew(QRgb rgb)
{
    const int nEntry = Nearest(rgb);
    if (2 * (m_nCached + 1) > m_vCache.size()) {
        // Half full: grow, or start again when the colours seem endless.
        std::vector<CCached> vOld;
        if (m_vCache.size() < MAX_CACHED)
            vOld.swap(m_vCache);
        ClearCache(vOld.empty() ? FIRST_SLOTS : 2 * vOld.size());
        for (const CCached& cached : vOld)
            if (cached.rgb)
                Insert(cached.rgb, cached.nEntry);
    }
    Insert(rgb, nEntry);
    return nEntry;
}

void CGifPalette::Insert(QRgb rgb, int nEntry)
{
    const size_t nMask = m_vCache.size() - 1;
    size_t i = Slot(rgb) & nMask;
    while (m_vCache[i].rgb != 0)
        i = (i + 1) & nMask;
    m_vCache[i] = {rgb, nEntry};
    ++m_nCached;
}
