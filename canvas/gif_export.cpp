#include "canvas/gif_export.h"

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
// The screen's colour table follows the signature and the screen descriptor.
constexpr size_t GLOBAL_TABLE_AT = 13;

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

// Where giflib's bytes go: held while the screen's colour table may still
// grow (it is written with the first bytes), then straight to the stream.
class CGifSink {
public:
    explicit CGifSink(std::ostream& os) : m_os(os) {}

    static int Write(GifFileType* pGif, const GifByteType* pData, int nLength)
    {
        return static_cast<CGifSink*>(pGif->UserData)->Put(pData, nLength) ? nLength : 0;
    }
    bool Holding() const { return m_bHolding; }
    // The final colour table into the held bytes, which then go out.
    bool Release(const CPalette& palette)
    {
        if (!m_bHolding)
            return true;
        m_bHolding = false;
        if (m_strHeld.size() < GLOBAL_TABLE_AT + 3 * MAX_COLORS)
            return false;
        std::memcpy(m_strHeld.data() + GLOBAL_TABLE_AT, palette.aColors.data(), 3 * MAX_COLORS);
        m_os.write(m_strHeld.data(), static_cast<std::streamsize>(m_strHeld.size()));
        std::string().swap(m_strHeld);
        return static_cast<bool>(m_os);
    }

private:
    bool Put(const GifByteType* pData, int nLength)
    {
        if (m_bHolding) {
            m_strHeld.append(reinterpret_cast<const char*>(pData), static_cast<size_t>(nLength));
            return true;
        }
        m_os.write(reinterpret_cast<const char*>(pData), nLength);
        return static_cast<bool>(m_os);
    }

    std::ostream& m_os;
    std::string m_strHeld;
    bool m_bHolding = true;
};

static_assert(sizeof(GifColorType) == 3);

struct CMapDeleter {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};
using MapPtr = std::unique_ptr<ColorMapObject, CMapDeleter>;

// A colour table of nCount entries as giflib takes it: a power of two, at least 2.
MapPtr MakeMap(const CPalette& palette, int nCount)
{
    int nSize = 2;
    while (nSize < nCount)
        nSize *= 2;
    return MapPtr(GifMakeMapObject(nSize, palette.aColors.data()));
}

// The frames' encoder: each frame as the rectangle that changed since the
// one before, through the screen's table, a table of its own or a reduced one.
class CGifEncoder {
public:
    CGifEncoder(GifFileType* pGif, CGifSink& sink) : m_pGif(pGif), m_sink(sink) {}

    bool Begin(QSize sz, bool bLoop)
    {
        m_screen.Clear();
        EGifSetGifVersion(m_pGif, true);
        // A full-size placeholder; the colours go in once they are known.
        const MapPtr pMap = MakeMap(m_screen, MAX_COLORS);
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
        const QRect rc = pPrev ? ChangedRect(img, *pPrev) : img.rect();
        CollectChanged(img, pPrev, rc);
        const bool bTransparent = m_vChanged.size() < static_cast<size_t>(rc.width()) * rc.height();
        int nTransparent = NO_TRANSPARENT_COLOR;
        MapPtr pMap;
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
            EGifPutImageDesc(m_pGif, rc.x(), rc.y(), rc.width(), rc.height(), false, pMap.get()) != GIF_OK)
            return false;
        std::vector<GifPixelType> vLine(static_cast<size_t>(rc.width()));
        const uint8_t* pChanged = m_vMask.data();
        const GifPixelType* pIndex = m_vIndices.data();
        for (int y = 0; y < rc.height(); ++y) {
            for (GifPixelType& px : vLine)
                px = *pChanged++ ? *pIndex++ : static_cast<GifPixelType>(nTransparent);
            if (EGifPutLine(m_pGif, vLine.data(), rc.width()) != GIF_OK)
                return false;
        }
        // A full screen table can no longer change: what was held goes out.
        if (m_screen.nCount == MAX_COLORS && m_sink.Holding())
            return m_sink.Release(m_screen);
        return true;
    }

    bool End() { return m_sink.Release(m_screen); }

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

    // m_vMask: 1 for each pixel of rc to store; m_vChanged: their colours in order.
    void CollectChanged(const QImage& img, const QImage* pPrev, const QRect& rc)
    {
        m_vMask.assign(static_cast<size_t>(rc.width()) * rc.height(), 1);
        m_vChanged.clear();
        uint8_t* pMask = m_vMask.data();
        bool bAny = false;
        for (int y = rc.top(); y <= rc.bottom(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(img.constScanLine(y)) + rc.left();
            const QRgb* q = pPrev ? reinterpret_cast<const QRgb*>(pPrev->constScanLine(y)) + rc.left() : nullptr;
            for (int x = 0; x < rc.width(); ++x, ++pMask) {
                if (q && p[x] == q[x]) {
                    *pMask = 0;
                    continue;
                }
                m_vChanged.push_back(p[x] | 0xFF000000u);
                bAny = true;
            }
        }
        if (!bAny) { // the frame that changed nothing: its one pixel as it is
            m_vMask[0] = 1;
            m_vChanged.push_back(img.pixel(rc.topLeft()) | 0xFF000000u);
        }
        m_vIndices.resize(m_vChanged.size());
    }

    // Through the screen's table, adding colours while it has room; a
    // transparent index must be one this frame does not use.
    bool MapToScreen(bool bTransparent, int* pTransparent)
    {
        std::array<bool, MAX_COLORS> aUsed{};
        QRgb rgbLast = 0;
        int nLast = -1;
        for (size_t i = 0; i < m_vChanged.size(); ++i) {
            const QRgb rgb = m_vChanged[i];
            if (rgb != rgbLast || nLast < 0) {
                nLast = m_screen.index.Find(rgb);
                if (nLast < 0) {
                    if (m_screen.nCount == MAX_COLORS || !m_sink.Holding())
                        return false;
                    nLast = m_screen.Add(rgb);
                }
                rgbLast = rgb;
                aUsed[static_cast<size_t>(nLast)] = true;
            }
            m_vIndices[i] = static_cast<GifPixelType>(nLast);
        }
        if (!bTransparent)
            return true;
        const auto it = std::find(aUsed.begin(), aUsed.end(), false);
        if (it == aUsed.end())
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
        for (size_t i = 0; i < m_vChanged.size(); ++i) {
            const QRgb rgb = m_vChanged[i];
            if (rgb != rgbLast || nLast < 0) {
                nLast = m_own.index.Find(rgb);
                if (nLast < 0) {
                    if (m_own.nCount == nRoom)
                        return false;
                    nLast = m_own.Add(rgb);
                }
                rgbLast = rgb;
            }
            m_vIndices[i] = static_cast<GifPixelType>(nLast);
        }
        *pTransparent = bTransparent ? m_own.nCount : NO_TRANSPARENT_COLOR;
        return true;
    }

    // More colours than a table holds: giflib's median-cut reduction.
    bool Quantize(bool bTransparent, int* pTransparent)
    {
        const size_t n = m_vChanged.size();
        std::vector<GifByteType> vRed(n), vGreen(n), vBlue(n);
        for (size_t i = 0; i < n; ++i) {
            vRed[i] = static_cast<GifByteType>(qRed(m_vChanged[i]));
            vGreen[i] = static_cast<GifByteType>(qGreen(m_vChanged[i]));
            vBlue[i] = static_cast<GifByteType>(qBlue(m_vChanged[i]));
        }
        m_own.Clear();
        int nSize = MAX_COLORS - (bTransparent ? 1 : 0);
        if (GifQuantizeBuffer(static_cast<unsigned>(n), 1, &nSize, vRed.data(), vGreen.data(),
                              vBlue.data(), m_vIndices.data(), m_own.aColors.data()) != GIF_OK)
            return false;
        m_own.nCount = std::clamp(nSize, 1, MAX_COLORS - (bTransparent ? 1 : 0));
        *pTransparent = bTransparent ? m_own.nCount : NO_TRANSPARENT_COLOR;
        return true;
    }

    GifFileType* m_pGif;
    CGifSink& m_sink;
    CPalette m_screen;
    CPalette m_own;
    std::vector<uint8_t> m_vMask;
    std::vector<QRgb> m_vChanged;
    std::vector<GifPixelType> m_vIndices;
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

    CGifSink sink(os);
    int nError = 0;
    GifFileType* pGif = EGifOpen(&sink, &CGifSink::Write, &nError);
    if (!pGif)
        return Fail(pError, std::string("GIF encoder: ") + GifErrorString(nError));
    CGifEncoder encoder(pGif, sink);
    std::string strWhy;
    bool bOk = encoder.Begin(sz, bLoop);
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
    bOk = bOk && encoder.End();
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
