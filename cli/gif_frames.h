// The frames of an animated GIF decoded with giflib, one at a time, for
// `gwconvert image --frames` without Qt's GUI library: each frame drawn over
// the screen as the ones before left it, after the frame before is disposed
// of as it asks (2: its rectangle cleared to transparent, as browsers do;
// 3: the screen put back as it was before that frame). Pixels a frame marks
// transparent keep what lies below. The file is read as it is decoded: only
// the screen, a copy of it for disposal 3 and a row of colour indices are held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

class CGifFrames {
public:
    CGifFrames() = default;
    ~CGifFrames();
    CGifFrames(const CGifFrames&) = delete;
    CGifFrames& operator=(const CGifFrames&) = delete;

    // Takes over the open file (fd, at its start), which is closed with this
    // object; false with a reason when it is no GIF to convert (damaged, cut
    // short, without frames, too large a screen).
    bool Open(int fd, std::string* pError);
    int Count() const { return m_nCount; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // Composes the next frame; false with a reason when it cannot be decoded.
    bool Next(std::string* pError);
    // The screen as the last frame left it: RGBA rows, transparent all zero.
    const uint8_t* Pixels() const { return m_vScreen.data(); }

private:
    struct SDisposal {
        int nMethod = 0;
        int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    };
    bool ReadFrame(int nTransparent, std::string* pError);
    void Dispose();

    GifFileType* m_pGif = nullptr;
    int m_nCount = 0, m_nRead = 0, m_nWidth = 0, m_nHeight = 0;
    std::vector<uint8_t> m_vScreen, m_vSaved, m_vRow;
    SDisposal m_last; // how the frame last drawn goes
};
