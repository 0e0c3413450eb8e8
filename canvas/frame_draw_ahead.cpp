#include "canvas/frame_draw_ahead.h"

#include "canvas/anim_colors.h"
#include "canvas/frame_picture.h"
#include "core/html_export.h"

CFrameDrawAhead::CFrameDrawAhead(IAnimFrameSource& frames, CFramePicture& picture, CTextColors& text)
    : m_frames(frames), m_picture(picture), m_text(text), m_nFrames(frames.GetFrameCount()),
      m_nCells(std::size_t(frames.GetRows()) * std::size_t(frames.GetCols())),
      m_thread([this] { Draw(); })
{
}

CFrameDrawAhead::~CFrameDrawAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CFrameDrawAhead::Draw()
{
    for (int f = 0; f < m_nFrames; ++f) {
        {
            // A slot is free once the frame before it in the ring was handed
            // out and given back (the taker holds the last one it took).
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [&] { return m_bStop || f - m_nTaken < SLOTS - 1; });
            if (m_bStop)
                return;
        }
        SFrame& slot = m_aSlots[f % SLOTS];
        const CharCell* pCells = m_frames.GetFrame(f);
        if (pCells) {
            m_picture.Render(pCells, slot.img);
            slot.vText = m_text.Of(pCells, m_nCells);
        }
        {
            std::lock_guard lock(m_mutex);
            if (pCells)
                ++m_nDrawn;
            else
                m_nFailed = f;
        }
        m_cv.notify_all();
        if (!pCells)
            return;
    }
}

const CFrameDrawAhead::SFrame* CFrameDrawAhead::Next()
{
    std::unique_lock lock(m_mutex);
    const int f = m_nTaken;
    m_cv.wait(lock, [&] { return m_nDrawn > f || m_nFailed == f || f >= m_nFrames; });
    if (m_nDrawn <= f)
        return nullptr;
    ++m_nTaken;
    lock.unlock();
    m_cv.notify_all();
    return &m_aSlots[f % SLOTS];
}
