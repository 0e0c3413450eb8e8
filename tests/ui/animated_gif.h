// Animated GIFs made with giflib for the tests of every-frame conversion,
// and the pictures a viewer shows for them, composed here by the GIF rules:
// before a frame is drawn, the one before it is disposed of as it asks
// (2: its rectangle cleared to transparent, 3: the screen put back as it
// was before that frame was drawn).
#pragma once

#include <gif_lib.h>

#include <QFile>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SGifFrame {
    int nLeft, nTop, nWidth, nHeight;
    int nColour;   // index into kGifColours, every pixel of the rectangle
    int nDelayCs;  // hundredths of a second
    int nDisposal; // 1 keep, 2 clear to transparent, 3 restore the previous screen
    bool bInterlaced = false; // then row y is striped in colour 1 + y % 7 instead
};

inline int GifRowColour(const SGifFrame& f, int y)
{
    return f.bInterlaced ? 1 + y % 7 : f.nColour;
}

// Index 0 is the transparent index of every frame and drawn by none.
inline constexpr uint32_t kGifColours[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                            0xFFFFFF, 0x808080, 0xFFFF00, 0x00FFFF};

inline std::string MakeAnimatedGif(int nWidth, int nHeight, const std::vector<SGifFrame>& vFrames)
{
    std::string gif;
    const auto append = [](GifFileType* p, const GifByteType* pData, int n) {
        static_cast<std::string*>(p->UserData)->append(reinterpret_cast<const char*>(pData), std::size_t(n));
        return n;
    };
    int nError = 0;
    GifFileType* pGif = EGifOpen(&gif, append, &nError);
    GifColorType vColours[8];
    for (int i = 0; i < 8; ++i)
        vColours[i] = {GifByteType(kGifColours[i] >> 16), GifByteType(kGifColours[i] >> 8),
                       GifByteType(kGifColours[i])};
    const ColorMapObject map{8, 3, false, vColours}; // copied by giflib
    EGifSetGifVersion(pGif, true);
    EGifPutScreenDesc(pGif, nWidth, nHeight, 8, 0, &map);
    for (const SGifFrame& f : vFrames) {
        const GifByteType vControl[4] = {GifByteType(f.nDisposal << 2 | 1), GifByteType(f.nDelayCs & 0xFF),
                                         GifByteType(f.nDelayCs >> 8), 0};
        EGifPutExtension(pGif, GRAPHICS_EXT_FUNC_CODE, 4, vControl);
        EGifPutImageDesc(pGif, f.nLeft, f.nTop, f.nWidth, f.nHeight, f.bInterlaced, nullptr);
        // Interlaced rows go out in four passes: every eighth from 0 and 4,
        // every fourth from 2, every second from 1.
        for (const auto& [nStart, nStep] : f.bInterlaced ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                                                        : std::vector<std::pair<int, int>>{{0, 1}})
            for (int y = nStart; y < f.nHeight; y += nStep) {
                std::vector<GifPixelType> vRow(std::size_t(f.nWidth), GifPixelType(GifRowColour(f, y)));
                EGifPutLine(pGif, vRow.data(), f.nWidth);
            }
    }
    EGifCloseFile(pGif, &nError);
    return gif;
}

// Each frame as shown: RGBA bytes, row by row, transparent pixels all zero.
inline std::vector<std::vector<uint8_t>> ComposeGifFrames(int nWidth, int nHeight,
                                                          const std::vector<SGifFrame>& vFrames)
{
    std::vector<uint8_t> vScreen(std::size_t(nWidth) * nHeight * 4, 0), vSaved;
    std::vector<std::vector<uint8_t>> vShown;
    const auto fill = [&](const SGifFrame& f, bool bClear) {
        for (int y = f.nTop; y < f.nTop + f.nHeight; ++y)
            for (int x = f.nLeft; x < f.nLeft + f.nWidth; ++x) {
                const uint32_t cr = bClear ? 0 : kGifColours[GifRowColour(f, y - f.nTop)] << 8 | 0xFF;
                for (int i = 0; i < 4; ++i)
                    vScreen[(std::size_t(y) * nWidth + x) * 4 + i] = uint8_t(cr >> (24 - 8 * i));
            }
    };
    for (std::size_t i = 0; i < vFrames.size(); ++i) {
        if (i > 0 && vFrames[i - 1].nDisposal == 2)
            fill(vFrames[i - 1], true);
        else if (i > 0 && vFrames[i - 1].nDisposal == 3)
            vScreen = vSaved;
        vSaved = vScreen;
        fill(vFrames[i], false);
        vShown.push_back(vScreen);
    }
    return vShown;
}

// Four frames of 48 x 32 at 10, 20, 20 and 30 hundredths: red, then green
// over the left half (cleared after), blue over the right half (undone
// after), white in the top-left corner.
inline const std::vector<SGifFrame> kDisposalFrames = {
    {0, 0, 48, 32, 1, 10, 1},
    {0, 0, 24, 32, 2, 20, 2},
    {24, 0, 24, 32, 3, 20, 3},
    {0, 0, 16, 16, 4, 30, 1},
};

// data written to strPath: the path, or empty if it could not be written.
inline QString WriteBytes(const QString& strPath, const std::string& data)
{
    QFile file(strPath);
    const bool bOk = file.open(QIODevice::WriteOnly) && file.write(data.data(), qint64(data.size())) == qint64(data.size());
    return bOk ? strPath : QString();
}
