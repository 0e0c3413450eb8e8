#include "cli/gif_frames.h"

#include "core/gif_scan.h"

#include <gif_lib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// As Qt's readers hold a picture: at most 256 MB of 32-bit pixels.
constexpr std::size_t MAX_SCREEN_BYTES = std::size_t(256) << 20;

std::string GifReason(int nError)
{
    const char* psz = GifErrorString(nError);
    return psz ? psz : "the picture cannot be decoded";
}

} // namespace

CGifFrames::~CGifFrames()
{
    if (m_pGif)
        DGifCloseFile(m_pGif, nullptr);
}

bool CGifFrames::Open(int fd, std::string* pError)
{
    // The frames are counted first, the drawing's header needs their number;
    // the walk reads through a descriptor of its own, then giflib from the start.
    const int fdWalk = dup(fd);
    std::FILE* pWalk = fdWalk >= 0 ? fdopen(fdWalk, "rb") : nullptr;
    if (!pWalk && fdWalk >= 0)
        close(fdWalk);
    m_nCount = pWalk ? GifFrameCount(pWalk) : -1;
    if (pWalk)
        std::fclose(pWalk);
    if (lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        *pError = "the file cannot be read again";
        return false;
    }
    int nError = 0;
    m_pGif = DGifOpenFileHandle(fd, &nError); // closes fd when it fails
    if (!m_pGif) {
        *pError = GifReason(nError);
        return false;
    }
    if (m_nCount < 0) {
        *pError = "the picture's data ends early: the file is cut short or damaged";
        return false;
    }
    if (m_nCount == 0) {
        *pError = "the picture has no pixels";
        return false;
    }
    m_nWidth = m_pGif->SWidth, m_nHeight = m_pGif->SHeight;
    if (m_nWidth < 1 || m_nHeight < 1) {
        *pError = "the picture has no pixels";
        return false;
    }
    if (std::size_t(m_nWidth) * std::size_t(m_nHeight) * 4 > MAX_SCREEN_BYTES) {
        *pError = "the picture is too large (" + std::to_string(m_nWidth) + " x " +
                  std::to_string(m_nHeight) + " pixels)";
        return false;
    }
    m_vScreen.assign(std::size_t(m_nWidth) * std::size_t(m_nHeight) * 4, 0);
    return true;
}

void CGifFrames::Dispose()
{
    if (m_last.nMethod == DISPOSE_PREVIOUS) {
        m_vScreen.swap(m_vSaved);
    } else if (m_last.nMethod == DISPOSE_BACKGROUND) {
        for (int y = m_last.nTop; y < m_last.nTop + m_last.nHeight; ++y)
            std::memset(&m_vScreen[(std::size_t(y) * std::size_t(m_nWidth) + std::size_t(m_last.nLeft)) * 4], 0,
                        std::size_t(m_last.nWidth) * 4);
    }
}

bool CGifFrames::Next(std::string* pError)
{
    if (!m_pGif || m_nRead >= m_nCount) {
        *pError = "the picture has no more frames";
        return false;
    }
    int nTransparent = NO_TRANSPARENT_COLOR;
    int nDisposal = DISPOSAL_UNSPECIFIED;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(m_pGif, &type) != GIF_OK) {
            *pError = GifReason(m_pGif->Error);
            return false;
        }
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type != EXTENSION_RECORD_TYPE) {
            *pError = "the picture's data ends early: the file is cut short or damaged";
            return false;
        }
        int nCode = 0;
        GifByteType* pExt = nullptr;
        if (DGifGetExtension(m_pGif, &nCode, &pExt) != GIF_OK) {
            *pError = GifReason(m_pGif->Error);
            return false;
        }
        GraphicsControlBlock gcb{};
        if (nCode == GRAPHICS_EXT_FUNC_CODE && pExt &&
            DGifExtensionToGCB(pExt[0], pExt + 1, &gcb) == GIF_OK) {
            nTransparent = gcb.TransparentColor;
            nDisposal = gcb.DisposalMode;
        }
        while (pExt)
            if (DGifGetExtensionNext(m_pGif, &pExt) != GIF_OK) {
                *pError = GifReason(m_pGif->Error);
                return false;
            }
    }
    Dispose();
    if (nDisposal == DISPOSE_PREVIOUS)
        m_vSaved = m_vScreen;
    m_last.nMethod = nDisposal;
    if (!ReadFrame(nTransparent, pError))
        return false;
    ++m_nRead;
    return true;
}

bool CGifFrames::ReadFrame(int nTransparent, std::string* pError)
{
    if (DGifGetImageDesc(m_pGif) != GIF_OK) {
        *pError = GifReason(m_pGif->Error);
        return false;
    }
    const GifImageDesc& desc = m_pGif->Image;
    const ColorMapObject* pMap = desc.ColorMap ? desc.ColorMap : m_pGif->SColorMap;
    if (desc.Width < 1 || desc.Height < 1 || std::size_t(desc.Width) * 4 > MAX_SCREEN_BYTES) {
        *pError = "a frame of the picture has no pixels";
        return false;
    }
    // What part of the frame lies on the screen; the rest is decoded and dropped.
    const int nLeft = std::clamp(desc.Left, 0, m_nWidth), nTop = std::clamp(desc.Top, 0, m_nHeight);
    const int nRight = std::clamp(desc.Left + desc.Width, nLeft, m_nWidth);
    const int nBottom = std::clamp(desc.Top + desc.Height, nTop, m_nHeight);
    m_last.nLeft = nLeft, m_last.nTop = nTop, m_last.nWidth = nRight - nLeft, m_last.nHeight = nBottom - nTop;
    m_vRow.resize(std::size_t(desc.Width));
    // The frame's colours as RGBA words, the transparent index's alpha 0;
    // an index past the table is drawn black, as a missing table is.
    uint32_t vColours[256];
    for (int i = 0; i < 256; ++i) {
        const GifColorType c = pMap && i < pMap->ColorCount ? pMap->Colors[i] : GifColorType{0, 0, 0};
        const uint8_t vRgba[4] = {c.Red, c.Green, c.Blue, uint8_t(i == nTransparent ? 0 : 255)};
        std::memcpy(&vColours[i], vRgba, 4);
    }
    // Interlaced rows come in four passes: every eighth from 0 and from 4,
    // every fourth from 2, every second from 1.
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int nPasses = desc.Interlace ? 4 : 1;
    for (int nPass = 0; nPass < nPasses; ++nPass) {
        const int nStart = desc.Interlace ? kStart[nPass] : 0, nStep = desc.Interlace ? kStep[nPass] : 1;
        for (int r = nStart; r < desc.Height; r += nStep) {
            if (DGifGetLine(m_pGif, m_vRow.data(), desc.Width) != GIF_OK) {
                *pError = "frame " + std::to_string(m_nRead + 1) + " of " + std::to_string(m_nCount) +
                          " cannot be read: " + GifReason(m_pGif->Error);
                return false;
            }
            const int y = desc.Top + r;
            if (y < nTop || y >= nBottom)
                continue;
            uint8_t* pOut = &m_vScreen[(std::size_t(y) * std::size_t(m_nWidth) + std::size_t(nLeft)) * 4];
            const GifPixelType* pIn = m_vRow.data() + (nLeft - desc.Left);
            for (int x = nLeft; x < nRight; ++x, pOut += 4, ++pIn)
                if (*pIn != nTransparent)
                    std::memcpy(pOut, &vColours[*pIn], 4);
        }
    }
    return true;
}
