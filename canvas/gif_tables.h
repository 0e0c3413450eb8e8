// The colour tables of the GIF export: a table of at most 256 colours with
// its index from colour to entry, and giflib's map object made from it.
#pragma once

#include <gif_lib.h>

#include <QRgb>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace gif_tables {

constexpr int MAX_COLORS = 256;

// Colours to table indices by open addressing. A key always has its alpha
// byte set, so 0 marks a free slot; 256 colours keep the table a quarter full.
class CColorIndex {
public:
    int Find(QRgb rgb) const
    {
        for (size_t i = Slot(rgb);; i = (i + 1) % SLOTS) {
            if (m_aKeys[i] == rgb)
                return m_aIndex[i];
            if (m_aKeys[i] == 0)
                return -1;
        }
    }
    void Insert(QRgb rgb, int nIndex)
    {
        size_t i = Slot(rgb);
        while (m_aKeys[i] != 0)
            i = (i + 1) % SLOTS;
        m_aKeys[i] = rgb;
        m_aIndex[i] = static_cast<uint8_t>(nIndex);
    }
    void Clear() { m_aKeys.fill(0); }

private:
    static constexpr size_t SLOTS = 1024;
    static size_t Slot(QRgb rgb) { return ((rgb * 0x9E3779B1u) >> 22) % SLOTS; }
    std::array<QRgb, SLOTS> m_aKeys{};
    std::array<uint8_t, SLOTS> m_aIndex{};
};

struct CPalette {
    std::array<GifColorType, MAX_COLORS> aColors{};
    int nCount = 0;
    CColorIndex index;

    void Clear()
    {
        aColors.fill(GifColorType{0, 0, 0});
        nCount = 0;
        index.Clear();
    }
    int Add(QRgb rgb)
    {
        Set(nCount, rgb);
        index.Insert(rgb, nCount);
        return nCount++;
    }
    void Set(int n, QRgb rgb)
    {
        aColors[static_cast<size_t>(n)] = {static_cast<GifByteType>(qRed(rgb)),
                                           static_cast<GifByteType>(qGreen(rgb)),
                                           static_cast<GifByteType>(qBlue(rgb))};
    }
    QRgb Rgb(int n) const
    {
        const GifColorType& c = aColors[static_cast<size_t>(n)];
        return qRgb(c.Red, c.Green, c.Blue);
    }
};

static_assert(sizeof(GifColorType) == 3);

struct CMapDeleter {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};
using MapPtr = std::unique_ptr<ColorMapObject, CMapDeleter>;

// The entries of a colour table of nCount colours as giflib takes it: a power of two, at least 2.
inline int MapSize(int nCount)
{
    int nSize = 2;
    while (nSize < nCount)
        nSize *= 2;
    return nSize;
}

inline MapPtr MakeMap(const CPalette& palette, int nCount)
{
    return MapPtr(GifMakeMapObject(MapSize(nCount), palette.aColors.data()));
}

} // namespace gif_tables
