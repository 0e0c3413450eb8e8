#include "canvas/gif_export.h"

#include "canvas/anim_colors.h"
#include "canvas/frame_picture.h"
#include "core/html_export.h"

#include <gif_lib.h>

#include <QImage>
#include <QRect>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {
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
        aColors[static_cast<size_t>(nCount)] = {static_cast<GifByteType>(qRed(rgb)),
                                                static_cast<GifByteType>(qGreen(rgb)),
                                                static_cast<GifByteType>(qBlue(rgb))};
        index.Insert(rgb, nCount);
        return nCount++;
    }
};

int WriteToStream(GifFileType* pGif, const GifByteType* pData, int nLength)
{
    auto* pOs = static_cast<std::ostream*>(pGif->UserData);
    pOs->write(reinterpret_cast<const char*>(pData), nLength);
    return *pOs ? nLength : 0;
}

static_assert(sizeof(GifColorType) == 3);

struct CMapDeleter {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};
using MapPtr = std::unique_ptr<ColorMapObject, CMapDeleter>;

// The entries of a colour table of nCount colours as giflib takes it: a power of two, at least 2.
int MapSize(int nCount)
{
    int nSize = 2;
    while (nSize < nCount)
        nSize *= 2;
    return nSize;
}

MapPtr MakeMap(const CPalette& palette, int nCount)
{
    return MapPtr(GifMakeMapObject(MapSize(nCount), palette.aColors.data()));
}

// The frames' encoder: each frame as the rectangle that changed since the
// one before, through the screen's table, a table of its own or a reduced
// one. The screen's table is fixed before the first frame, so every frame
// goes to the stream as it is encoded; besides the picture and the one
// before it only the rectangle's indices, a byte a pixel, are held.
class CGifEncoder {
public:
    explicit CGifEncoder(GifFileType* pGif) : m_pGif(pGif) {}

    // vColors: the screen's table, the first 256 when there are more.
    bool Begin(QSize sz, bool bLoop, const std::vector<QRgb>& vColors)
    {
        m_screen.Clear();
        for (size_t i = 0; i < vColors.size() && i < MAX_COLORS; ++i)
            m_screen.Add(vColors[i]);
        // One entry to spare, when the table is not full, for a later frame's transparent pixels.
        m_nScreenSize = MapSize(std::min(m_screen.nCount + 1, MAX_COLORS));
        EGifSetGifVersion(m_pGif, true);
        const MapPtr pMap = MakeMap(m_screen, m_nScreenSize);
        if (!pMap || EGifPutScreenDesc(m_pGif, sz.width(), sz.height(), 8, 0, pMap.get()) != GIF_OK)
            return false;
        if (!bLoop)
            return true;
        // Netscape's application extension: loop count 0, forever.
        static const GifByteType aId[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType aLoop[] = {1, 0, 0};
        return EGifPutExtensionLeader(m_pGif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
               EGifPutExtensionBlock(m_pGif, sizeof aId, aId) == GIF_OK &&
               EGifPutExtensionBlock(m_pGif, sizeof aLoop, aLoop) == GIF_OK &&
               EGifPutExtensionTrailer(m_pGif) == GIF_OK;
    }

    bool AddFrame(const QImage& img, const QImage* pPrev, int nDelay)
    {
        m_pImg = &img;
        m_pPrev = pPrev;
        m_rc = pPrev ? ChangedRect(img, *pPrev) : img.rect();
        // A frame that changed nothing stores its one pixel as it is.
        if (pPrev && !AnyChanged())
            m_pPrev = nullptr;
        const bool bTransparent = AnyUnchanged();
        m_vIndices.resize(static_cast<size_t>(m_rc.width()) * static_cast<size_t>(m_rc.height()));
        int nTransparent = NO_TRANSPARENT_COLOR;
        MapPtr pMap;
        m_bQuantized = false;
        if (!MapToScreen(bTransparent, &nTransparent)) {
            if (!MapToOwn(bTransparent, &nTransparent) && !Quantize(bTransparent, &nTransparent))
                return false;
            pMap = MakeMap(m_own, m_own.nCount + (bTransparent ? 1 : 0));
            if (!pMap)
                return false;
        }
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.DelayTime = nDelay;
        gcb.TransparentColor = nTransparent;
        GifByteType aExt[4];
        const size_t nExt = EGifGCBToExtension(&gcb, aExt);
        if (EGifPutExtension(m_pGif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(nExt), aExt) != GIF_OK ||
            EGifPutImageDesc(m_pGif, m_rc.x(), m_rc.y(), m_rc.width(), m_rc.height(), false, pMap.get()) != GIF_OK)
            return false;
        return PutLines(static_cast<GifPixelType>(nTransparent));
    }

private:
    // The bounds of the pixels that differ; one pixel at the top left when
    // none do, so the frame still takes its time.
    static QRect ChangedRect(const QImage& img, const QImage& prev)
    {
        const int nW = img.width();
        int nTop = -1, nBottom = -1, nLeft = nW, nRight = -1;
        for (int y = 0; y < img.height(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            const auto* q = reinterpret_cast<const QRgb*>(prev.constScanLine(y));
            if (std::memcmp(p, q, static_cast<size_t>(nW) * sizeof(QRgb)) == 0)
                continue;
            nTop = nTop < 0 ? y : nTop;
            nBottom = y;
            int x = 0;
            while (p[x] == q[x])
                ++x;
            nLeft = std::min(nLeft, x);
            x = nW - 1;
            while (p[x] == q[x])
                --x;
            nRight = std::max(nRight, x);
        }
        if (nTop < 0)
            return {0, 0, 1, 1};
        return QRect(QPoint(nLeft, nTop), QPoint(nRight, nBottom));
    }

    bool AnyChanged() const
    {
        return m_rc.size() != QSize(1, 1) || m_pImg->pixel(m_rc.topLeft()) != m_pPrev->pixel(m_rc.topLeft());
    }

    // Whether the rectangle keeps a pixel of the frame before (stored transparent).
    bool AnyUnchanged() const
    {
        if (!m_pPrev)
            return false;
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            const auto* q = reinterpret_cast<const QRgb*>(m_pPrev->constScanLine(y)) + m_rc.left();
            for (int x = 0; x < m_rc.width(); ++x)
                if (p[x] == q[x])
                    return true;
        }
        return false;
    }

    // fn(colour, index slot) for each changed pixel of the rectangle (every
    // one when there is no frame before), row by row, while fn returns true.
    template <class TFn>
    bool ForEachChanged(TFn fn)
    {
        GifPixelType* pIndex = m_vIndices.data();
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            const QRgb* q =
                m_pPrev ? reinterpret_cast<const QRgb*>(m_pPrev->constScanLine(y)) + m_rc.left() : nullptr;
            for (int x = 0; x < m_rc.width(); ++x, ++pIndex)
                if ((!q || p[x] != q[x]) && !fn(p[x] | 0xFF000000u, pIndex))
                    return false;
        }
        return true;
    }

    // Through the screen's fixed table; a transparent index must be one of
    // the table's this frame does not use.
    bool MapToScreen(bool bTransparent, int* pTransparent)
    {
        std::array<bool, MAX_COLORS> aUsed{};
        QRgb rgbLast = 0;
        int nLast = -1;
        const bool bAll = ForEachChanged([&](QRgb rgb, GifPixelType* pIndex) {
            if (rgb != rgbLast || nLast < 0) {
                nLast = m_screen.index.Find(rgb);
                if (nLast < 0)
                    return false;
                rgbLast = rgb;
                aUsed[static_cast<size_t>(nLast)] = true;
            }
            *pIndex = static_cast<GifPixelType>(nLast);
            return true;
        });
        if (!bAll)
            return false;
        if (!bTransparent)
            return true;
        const auto itEnd = aUsed.begin() + m_nScreenSize;
        const auto it = std::find(aUsed.begin(), itEnd, false);
        if (it == itEnd)
            return false;
        *pTransparent = static_cast<int>(it - aUsed.begin());
        return true;
    }

    // A table of exactly this frame's colours, the transparent index after them.
    bool MapToOwn(bool bTransparent, int* pTransparent)
    {
        const int nRoom = MAX_COLORS - (bTransparent ? 1 : 0);
        m_own.Clear();
        QRgb rgbLast = 0;
        int nLast = -1;
        const bool bFits = ForEachChanged([&](QRgb rgb, GifPixelType* pIndex) {
            if (rgb != rgbLast || nLast < 0) {
                nLast = m_own.index.Find(rgb);
                if (nLast < 0) {
                    if (m_own.nCount == nRoom)
                        return false;
                    nLast = m_own.Add(rgb);
                }
                rgbLast = rgb;
            }
            *pIndex = static_cast<GifPixelType>(nLast);
            return true;
        });
        if (!bFits)
            return false;
        *pTransparent = bTransparent ? m_own.nCount : NO_TRANSPARENT_COLOR;
        return true;
    }

    // More colours than a table holds: giflib's median-cut reduction of the
    // changed pixels, whose indices are then taken in order.
    bool Quantize(bool bTransparent, int* pTransparent)
    {
        std::vector<GifByteType> vRed, vGreen, vBlue;
        for (auto* pv : {&vRed, &vGreen, &vBlue})
            pv->reserve(m_vIndices.size());
        ForEachChanged([&](QRgb rgb, GifPixelType*) {
            vRed.push_back(static_cast<GifByteType>(qRed(rgb)));
            vGreen.push_back(static_cast<GifByteType>(qGreen(rgb)));
            vBlue.push_back(static_cast<GifByteType>(qBlue(rgb)));
            return true;
        });
        m_vQuantized.resize(vRed.size());
        m_own.Clear();
        int nSize = MAX_COLORS - (bTransparent ? 1 : 0);
        if (GifQuantizeBuffer(static_cast<unsigned>(vRed.size()), 1, &nSize, vRed.data(), vGreen.data(),
                              vBlue.data(), m_vQuantized.data(), m_own.aColors.data()) != GIF_OK)
            return false;
        m_own.nCount = std::clamp(nSize, 1, MAX_COLORS - (bTransparent ? 1 : 0));
        m_bQuantized = true;
        *pTransparent = bTransparent ? m_own.nCount : NO_TRANSPARENT_COLOR;
        return true;
    }

    // The rectangle's indices, a line at a time: the unchanged pixels
    // transparent, the changed ones from the table's map or, reduced, in order.
    bool PutLines(GifPixelType nTransparent)
    {
        std::vector<GifPixelType> vLine(static_cast<size_t>(m_rc.width()));
        const GifPixelType* pQuantized = m_vQuantized.data();
        const GifPixelType* pIndex = m_vIndices.data();
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y, pIndex += m_rc.width()) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            const QRgb* q =
                m_pPrev ? reinterpret_cast<const QRgb*>(m_pPrev->constScanLine(y)) + m_rc.left() : nullptr;
            GifPixelType* pOut = vLine.data();
            if (m_bQuantized) {
                for (int x = 0; x < m_rc.width(); ++x)
                    pOut[x] = q && p[x] == q[x] ? nTransparent : *pQuantized++;
            } else if (q) {
                for (int x = 0; x < m_rc.width(); ++x)
                    pOut[x] = p[x] == q[x] ? nTransparent : pIndex[x];
            } else {
                std::copy(pIndex, pIndex + m_rc.width(), pOut);
            }
            if (EGifPutLine(m_pGif, pOut, m_rc.width()) != GIF_OK)
                return false;
        }
        return true;
    }

    GifFileType* m_pGif;
    CPalette m_screen;
    int m_nScreenSize = 2;
    CPalette m_own;
    bool m_bQuantized = false;
    std::vector<GifPixelType> m_vIndices; // the rectangle's, row by row; unchanged pixels' unset
    std::vector<GifPixelType> m_vQuantized; // the changed pixels' in order
    // The frame being encoded: its picture, the one before (null for the first
    // frame, or when nothing changed) and the rectangle stored.
    const QImage* m_pImg = nullptr;
    const QImage* m_pPrev = nullptr;
    QRect m_rc;
};

bool Fail(std::string* pError, std::string strWhy)
{
    if (pError)
        *pError = std::move(strWhy);
    return false;
}
} // namespace

bool ExportAnimatedGif(std::ostream& os, IAnimFrameSource& frames, int nZoom, int nIntervalTenths,
                       bool bLoop, COLORREF crBack, std::string* pError)
{
    const int nFrames = frames.GetFrameCount();
    if (nFrames <= 0)
        return Fail(pError, "the drawing has no frames");
    CFramePicture picture(frames.GetRows(), frames.GetCols(), nZoom, crBack);
    const QSize sz = picture.Size().expandedTo(QSize(1, 1));
    if (sz.width() > 0xFFFF || sz.height() > 0xFFFF)
        return Fail(pError, "the picture is too large for a GIF");
    const int nDelay = std::clamp(nIntervalTenths, 0, 6553) * 10; // hundredths

    // The screen's table from the cells, before the first byte: frames then
    // go out as they are drawn, whatever their count.
    std::vector<QRgb> vColors;
    std::string strWhy;
    if (!CollectAnimColors(frames, picture, MAX_COLORS, vColors, &strWhy))
        return Fail(pError, strWhy);
    int nError = 0;
    GifFileType* pGif = EGifOpen(&os, &WriteToStream, &nError);
    if (!pGif)
        return Fail(pError, std::string("GIF encoder: ") + GifErrorString(nError));
    CGifEncoder encoder(pGif);
    bool bOk = encoder.Begin(sz, bLoop, vColors);
    QImage img, imgPrev;
    for (int f = 0; bOk && f < nFrames; ++f) {
        const CharCell* pCells = frames.GetFrame(f);
        if (!pCells) {
            strWhy = "frame " + std::to_string(f + 1) + " cannot be read";
            bOk = false;
            break;
        }
        picture.Render(pCells, img);
        bOk = encoder.AddFrame(img, f > 0 ? &imgPrev : nullptr, nDelay);
        std::swap(img, imgPrev);
    }
    const int nGifError = pGif->Error;
    // Closing writes the trailer, and frees the encoder in any case.
    bOk = EGifCloseFile(pGif, &nError) == GIF_OK && bOk;
    if (bOk && os)
        return true;
    if (!strWhy.empty())
        return Fail(pError, strWhy);
    if (!os || nGifError == E_GIF_ERR_WRITE_FAILED || nError == E_GIF_ERR_WRITE_FAILED)
        return Fail(pError, "cannot write the GIF");
    const char* pszWhy = GifErrorString(nGifError ? nGifError : nError);
    return Fail(pError, std::string("GIF encoder: ") + (pszWhy ? pszWhy : "failed"));
}
