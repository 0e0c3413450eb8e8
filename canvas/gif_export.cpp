#include "canvas/gif_export.h"

#include "canvas/anim_colors.h"
#include "canvas/frame_draw_ahead.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_palette.h"
#include "canvas/gif_tables.h"
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
using namespace gif_tables;

int WriteToStream(GifFileType* pGif, const GifByteType* pData, int nLength)
{
    auto* pOs = static_cast<std::ostream*>(pGif->UserData);
    pOs->write(reinterpret_cast<const char*>(pData), nLength);
    return *pOs ? nLength : 0;
}

// The frames' encoder: each frame as the rectangle that differs from the
// frame before (see ChangedRect), through the screen's table, a table of
// exactly its colours or, when they do not fit, a table built from its text
// colours. The
// screen's table is fixed before the first frame, so every frame goes to the
// stream as it is encoded; besides the picture drawn, the one before it and
// the one shown, only the rectangle's indices, a byte a pixel, are held.
class CGifEncoder {
public:
    explicit CGifEncoder(GifFileType* pGif) : m_pGif(pGif) {}

    // vColors: the screen's table, the first 256 when there are more.
    bool Begin(QSize sz, bool bLoop, QRgb rgbBack, const std::vector<QRgb>& vColors)
    {
        m_rgbBack = rgbBack;
        m_screen.Clear();
        for (size_t i = 0; i < vColors.size() && i < MAX_COLORS; ++i)
            m_screen.Add(vColors[i]);
        // One entry to spare, when the table is not full, for a later frame's transparent pixels.
        m_nScreenSize = MapSize(std::min(m_screen.nCount + 1, MAX_COLORS));
        m_shown = QImage(sz, QImage::Format_RGB32);
        m_prev = QImage(sz, QImage::Format_RGB32);
        if (m_shown.isNull() || m_prev.isNull())
            return false;
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

    // vText: the frame's text colours (see CTextColors), for when its
    // colours fit no exact table.
    bool AddFrame(const QImage& img, const std::vector<QRgb>& vText, int nDelay)
    {
        m_pImg = &img;
        m_bShown = m_nFrames++ > 0;
        m_rc = m_bShown ? ChangedRect(img) : img.rect();
        if (!m_bShown)
            CopyRows(img, m_prev);
        m_bCutUsed = false;
        // A frame that changed nothing stores its one pixel as it is.
        if (m_bShown && !AnyChanged())
            m_bShown = false;
        m_vIndices.resize(static_cast<size_t>(m_rc.width()) * static_cast<size_t>(m_rc.height()));
        int nTransparent = NO_TRANSPARENT_COLOR;
        const CPalette* pTable = &m_screen;
        MapPtr pMap;
        const bool bTransparent = AnyUnchanged();
        m_rcOut = m_rc;
        m_bFinal = false;
        if (!MapToScreen(bTransparent, &nTransparent)) {
            if (!MapToOwn(bTransparent, &nTransparent))
                MapToNearest(vText, &nTransparent);
            pTable = &m_own;
            pMap = MakeMap(m_own, m_own.nCount + (nTransparent >= 0 ? 1 : 0));
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
            EGifPutImageDesc(m_pGif, m_rcOut.x(), m_rcOut.y(), m_rcOut.width(), m_rcOut.height(), false,
                             pMap.get()) != GIF_OK)
            return false;
        const bool bOk = PutLines(*pTable, nTransparent);
        m_bCutShown = m_bCutUsed;
        return bOk;
    }

private:
    // The bounds of the pixels that differ from the frame before, which is
    // brought up to date on the way; one pixel at the top left when none do,
    // so the frame still takes its time. A pixel the frame before also had
    // is shown through a table exact for the background and text colours and
    // close for their blends, so it stays. Only after a median cut, whose
    // colours are not exact, is the picture shown compared with instead, so
    // that no reduced colour outlives its frame.
    QRect ChangedRect(const QImage& img)
    {
        const int nW = img.width();
        const size_t nBytes = static_cast<size_t>(nW) * sizeof(QRgb);
        const QImage& cmp = m_bCutShown ? m_shown : m_prev;
        int nTop = -1, nBottom = -1, nLeft = nW, nRight = -1;
        for (int y = 0; y < img.height(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            const auto* q = reinterpret_cast<const QRgb*>(cmp.constScanLine(y));
            auto* pPrev = m_prev.scanLine(y);
            const bool bSame = std::memcmp(p, q, nBytes) == 0;
            if (m_bCutShown && std::memcmp(p, pPrev, nBytes) != 0)
                std::memcpy(pPrev, p, nBytes);
            if (bSame)
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
            if (!m_bCutShown)
                std::memcpy(pPrev, p, nBytes);
        }
        if (nTop < 0)
            return {0, 0, 1, 1};
        return QRect(QPoint(nLeft, nTop), QPoint(nRight, nBottom));
    }

    static void CopyRows(const QImage& from, QImage& to)
    {
        const size_t nBytes = static_cast<size_t>(from.width()) * sizeof(QRgb);
        for (int y = 0; y < from.height(); ++y)
            std::memcpy(to.scanLine(y), from.constScanLine(y), nBytes);
    }

    bool AnyChanged() const
    {
        return m_rc.size() != QSize(1, 1) ||
               m_pImg->pixel(m_rc.topLeft()) != m_shown.pixel(m_rc.topLeft());
    }

    // Whether the rectangle keeps a pixel already shown as drawn (stored transparent).
    bool AnyUnchanged() const
    {
        if (!m_bShown)
            return false;
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            const auto* q = reinterpret_cast<const QRgb*>(m_shown.constScanLine(y)) + m_rc.left();
            for (int x = 0; x < m_rc.width(); ++x)
                if (p[x] == q[x])
                    return true;
        }
        return false;
    }

    // fn(colour, index slot) for each pixel of the rectangle not already
    // shown as drawn (every one for the first frame), row by row, while fn
    // returns true.
    template <class TFn>
    bool ForEachChanged(TFn fn)
    {
        GifPixelType* pIndex = m_vIndices.data();
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            const QRgb* q =
                m_bShown ? reinterpret_cast<const QRgb*>(m_shown.constScanLine(y)) + m_rc.left() : nullptr;
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

    // More colours than a table holds: the background, the text colours and
    // the blends between them, or past 255 text colours a median cut of the
    // pixels; each pixel takes its nearest entry. After the first frame an
    // entry is kept for the pixels whose entry is the colour already shown,
    // and only the bounds of the others are stored.
    void MapToNearest(const std::vector<QRgb>& vText, int* pTransparent)
    {
        // One entry spare even for the first frame, so that a later frame of
        // the same text colours gets the same table and rewrites nothing.
        const int nRoom = MAX_COLORS - 1;
        if (!m_palette.BuildRamps(m_rgbBack, vText, nRoom)) {
            m_palette.BeginCut(m_rgbBack);
            ForEachChanged([&](QRgb rgb, GifPixelType*) {
                m_palette.Count(rgb);
                return true;
            });
            m_palette.BuildCut(nRoom);
            m_bCutUsed = true;
        }
        const std::vector<QRgb>& vColors = m_palette.Colors();
        int nTop = -1, nBottom = -1, nLeft = m_rc.width(), nRight = -1;
        QRgb rgbLast = 0, rgbLastEntry = 0;
        int nLast = -1;
        // The indices are final here, kept pixels the transparent entry after
        // the table's, and the picture shown is updated as they are found.
        const auto nKeep = static_cast<GifPixelType>(vColors.size());
        GifPixelType* pIndex = m_vIndices.data();
        for (int y = m_rc.top(); y <= m_rc.bottom(); ++y, pIndex += m_rc.width()) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rc.left();
            auto* q = reinterpret_cast<QRgb*>(m_shown.scanLine(y)) + m_rc.left();
            for (int x = 0; x < m_rc.width(); ++x) {
                if (m_bShown && p[x] == q[x]) {
                    pIndex[x] = nKeep;
                    continue;
                }
                if (p[x] != rgbLast || nLast < 0) {
                    rgbLast = p[x];
                    nLast = m_palette.Map(rgbLast);
                    rgbLastEntry = vColors[static_cast<size_t>(nLast)] | 0xFF000000u;
                }
                if (m_bShown && rgbLastEntry == q[x]) {
                    pIndex[x] = nKeep;
                    continue;
                }
                pIndex[x] = static_cast<GifPixelType>(nLast);
                q[x] = rgbLastEntry;
                nTop = nTop < 0 ? y : nTop;
                nBottom = y;
                nLeft = std::min(nLeft, x);
                nRight = std::max(nRight, x);
            }
        }
        m_bFinal = true;
        m_own.Clear();
        if (m_bShown && nTop < 0) {
            // Nothing to show anew: the first pixel as shown, in a table of its own.
            m_rcOut = QRect(m_rc.topLeft(), QSize(1, 1));
            m_vIndices[0] = 0;
            m_own.Set(m_own.nCount++, m_shown.pixel(m_rc.topLeft()));
            *pTransparent = NO_TRANSPARENT_COLOR;
            return;
        }
        if (m_bShown)
            m_rcOut = QRect(m_rc.left() + nLeft, nTop, nRight - nLeft + 1, nBottom - nTop + 1);
        for (const QRgb rgb : vColors)
            m_own.Set(m_own.nCount++, rgb);
        *pTransparent = m_bShown ? m_own.nCount : NO_TRANSPARENT_COLOR;
    }

    // The stored rectangle's indices, a line at a time, and the picture shown
    // updated to match: a pixel whose colour is already shown, as drawn or
    // through the table, is transparent.
    bool PutLines(const CPalette& table, int nTransparent)
    {
        std::vector<GifPixelType> vLine(static_cast<size_t>(m_rcOut.width()));
        const size_t nSkip = static_cast<size_t>(m_rcOut.top() - m_rc.top()) * static_cast<size_t>(m_rc.width()) +
                             static_cast<size_t>(m_rcOut.left() - m_rc.left());
        GifPixelType* pIndex = m_vIndices.data() + nSkip;
        if (m_bFinal) {
            for (int y = m_rcOut.top(); y <= m_rcOut.bottom(); ++y, pIndex += m_rc.width())
                if (EGifPutLine(m_pGif, pIndex, m_rcOut.width()) != GIF_OK)
                    return false;
            return true;
        }
        const bool bKeep = m_bShown && nTransparent >= 0;
        std::array<QRgb, MAX_COLORS> aRgb;
        for (int i = 0; i < MAX_COLORS; ++i)
            aRgb[static_cast<size_t>(i)] = table.Rgb(i);
        for (int y = m_rcOut.top(); y <= m_rcOut.bottom(); ++y, pIndex += m_rc.width()) {
            const auto* p = reinterpret_cast<const QRgb*>(m_pImg->constScanLine(y)) + m_rcOut.left();
            auto* q = reinterpret_cast<QRgb*>(m_shown.scanLine(y)) + m_rcOut.left();
            GifPixelType* pOut = vLine.data();
            for (int x = 0; x < m_rcOut.width(); ++x) {
                const QRgb rgb = aRgb[pIndex[x]];
                if (bKeep && (p[x] == q[x] || rgb == q[x])) {
                    pOut[x] = static_cast<GifPixelType>(nTransparent);
                } else {
                    pOut[x] = pIndex[x];
                    q[x] = rgb;
                }
            }
            if (EGifPutLine(m_pGif, pOut, m_rcOut.width()) != GIF_OK)
                return false;
        }
        return true;
    }

    GifFileType* m_pGif;
    QRgb m_rgbBack = 0;
    CPalette m_screen;
    int m_nScreenSize = 2;
    CPalette m_own;
    CGifPalette m_palette;
    std::vector<GifPixelType> m_vIndices; // the rectangle's, row by row; unchanged pixels' unset
    // The frame being encoded: its picture, whether a frame is already shown
    // to compare with (not for the first, nor when nothing changed) and the
    // rectangle looked at, and the part of it stored.
    const QImage* m_pImg = nullptr;
    bool m_bShown = false;
    bool m_bFinal = false; // m_vIndices are as stored and the picture shown already updated
    QRect m_rc, m_rcOut;
    int m_nFrames = 0;
    // The picture as a viewer shows it after the frames so far, through their
    // tables, and the frame drawn before this one.
    QImage m_shown, m_prev;
    bool m_bCutUsed = false;  // this frame's table is a median cut
    bool m_bCutShown = false; // the frame before's was
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
    bool bOk = encoder.Begin(sz, bLoop, picture.Background(), vColors);
    CTextColors text(picture, MAX_COLORS);
    {
        // Frames are drawn ahead on a thread of their own while this one
        // quantizes and encodes them in order.
        CFrameDrawAhead ahead(frames, picture, text);
        for (int f = 0; bOk && f < nFrames; ++f) {
            const CFrameDrawAhead::SFrame* pFrame = ahead.Next();
            if (!pFrame) {
                strWhy = "frame " + std::to_string(ahead.FailedFrame() + 1) + " cannot be read";
                bOk = false;
                break;
            }
            bOk = encoder.AddFrame(pFrame->img, pFrame->vText, nDelay);
        }
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
