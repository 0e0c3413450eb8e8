// A colour table for a GIF frame whose colours do not fit one table. A drawn
// frame is its background with each text colour blended over it by the
// glyphs' coverage, so the table is made of those colours and the blends
// between them; only a frame of more text colours than a table holds falls
// back to a median cut of its pixels.
#pragma once

#include <QRgb>

#include <cstdint>
#include <vector>

class CGifPalette {
public:
    // The background and every text colour exactly, then for each text
    // colour a ramp of evenly spaced blends towards the background, the
    // ramps sharing what is left of nMax (at most 256) entries. False, the
    // table unchanged, when the text colours leave no room for it.
    bool BuildRamps(QRgb rgbBack, const std::vector<QRgb>& vText, int nMax);

    // The fallback: Count() every pixel, then BuildCut() makes at most nMax
    // entries, the background exact as the first, the others the means of
    // median-cut boxes of the counted colours.
    void BeginCut(QRgb rgbBack);
    void Count(QRgb rgb)
    {
        if ((rgb | 0xFF000000u) == m_rgbBack)
            return;
        CBin& bin = m_vBins[BinOf(rgb)];
        ++bin.nCount;
        bin.aSum[0] += qRed(rgb);
        bin.aSum[1] += qGreen(rgb);
        bin.aSum[2] += qBlue(rgb);
    }
    void BuildCut(int nMax);

    // The entry for a colour: its nearest among the ramps, or its box's in
    // the cut; a colour of the table is always its own entry.
    int Map(QRgb rgb)
    {
        rgb |= 0xFF000000u;
        if (rgb == m_rgbBack)
            return 0;
        if (m_bCut)
            return m_vBinEntry[BinOf(rgb)];
        const size_t nMask = m_vCache.size() - 1;
        for (size_t i = Slot(rgb) & nMask; m_vCache[i].rgb != 0; i = (i + 1) & nMask)
            if (m_vCache[i].rgb == rgb)
                return m_vCache[i].nEntry;
        return MapNew(rgb);
    }
    const std::vector<QRgb>& Colors() const { return m_vColors; }

private:
    struct CBin {
        uint32_t nCount = 0;
        uint64_t aSum[3] = {0, 0, 0};
    };
    struct CBox {
        size_t nBegin, nEnd; // into m_vCut
        uint64_t nCount;
        int nChannel, nExtent; // the widest channel, in bins
    };
    static constexpr int BIN_BITS = 5;
    static size_t BinOf(QRgb rgb)
    {
        constexpr int S = 8 - BIN_BITS;
        return size_t(qRed(rgb) >> S) << (2 * BIN_BITS) | size_t(qGreen(rgb) >> S) << BIN_BITS |
               size_t(qBlue(rgb) >> S);
    }
    static int BinChannel(size_t nBin, int nChannel)
    {
        return int(nBin >> (BIN_BITS * (2 - nChannel))) & ((1 << BIN_BITS) - 1);
    }
    CBox MakeBox(size_t nBegin, size_t nEnd) const;
    static size_t Slot(QRgb rgb) { return size_t((uint64_t(rgb) * 0x9E3779B97F4A7C15ull) >> 40); }
    int Nearest(QRgb rgb) const;
    int MapNew(QRgb rgb);
    void ClearCache(size_t nSlots);
    void Insert(QRgb rgb, int nEntry);

    bool m_bCut = false;
    QRgb m_rgbBack = 0;
    std::vector<QRgb> m_vColors;
    // Cut: the counts by bin, the bins counted and each bin's entry.
    std::vector<CBin> m_vBins;
    std::vector<uint16_t> m_vCut;
    std::vector<uint8_t> m_vBinEntry;
    // Ramps: nearest entries found, by colour, open addressing (0 is free:
    // a key has its alpha set).
    struct CCached {
        QRgb rgb;
        int nEntry;
    };
    std::vector<CCached> m_vCache;
    size_t m_nCached = 0;
};
