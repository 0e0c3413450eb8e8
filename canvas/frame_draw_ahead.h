// An animation's frames drawn on a thread of their own, a few ahead of the
// one that takes them, so that drawing and what is done with the pictures
// (a GIF's quantizing and encoding) share the processors. The frames are read
// from the source, drawn by the picture and their text colours found on that
// thread alone: nothing of the three may be used elsewhere meanwhile.
#pragma once

#include "core/char_cell.h"

#include <QImage>
#include <QRgb>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

class CFramePicture;
class CTextColors;
class IAnimFrameSource;

class CFrameDrawAhead {
public:
    CFrameDrawAhead(IAnimFrameSource& frames, CFramePicture& picture, CTextColors& text);
    // Stops the drawing thread and waits for it.
    ~CFrameDrawAhead();
    CFrameDrawAhead(const CFrameDrawAhead&) = delete;
    CFrameDrawAhead& operator=(const CFrameDrawAhead&) = delete;

    struct SFrame {
        QImage img;
        std::vector<QRgb> vText; // the frame's text colours (CTextColors::Of)
    };
    // The next frame, valid until the next call; nullptr when the source
    // could not give it (FailedFrame() says which).
    const SFrame* Next();
    int FailedFrame() const { return m_nFailed; }

private:
    static constexpr int SLOTS = 3;
    void Draw();

    IAnimFrameSource& m_frames;
    CFramePicture& m_picture;
    CTextColors& m_text;
    int m_nFrames;
    std::size_t m_nCells;
    SFrame m_aSlots[SLOTS];
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nDrawn = 0;    // frames drawn so far
    int m_nTaken = 0;    // frames handed out (the last one still in use)
    int m_nFailed = -1;  // the frame the source could not give
    bool m_bStop = false;
    std::thread m_thread; // last: starts once the rest is set up
};
