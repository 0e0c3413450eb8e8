#include "cli/file_frame_source.h"

#include <algorithm>

namespace {
// Frames are read this many bytes at a time (at least one frame), so the
// reader is woken a few dozen times for a long page, not once a frame.
constexpr std::size_t kChunkBytes = 4 * 1024 * 1024;
} // namespace

CFileFrameSource::CFileFrameSource(CGwpFile& file, bool bReadAhead)
    : m_file(file),
      m_nFrameCells(std::size_t(file.Header().nRows) * std::size_t(file.Header().nCols)),
      m_nChunkFrames(bReadAhead ? static_cast<int>(std::clamp<std::size_t>(
                                      kChunkBytes / file.Header().FrameBytes(), 1,
                                      std::size_t(file.Header().nFrames)))
                                : 1)
{
    m_vCells.resize(m_nFrameCells * std::size_t(m_nChunkFrames));
    if (bReadAhead && file.Header().nFrames > m_nChunkFrames) {
        m_vAhead.resize(m_vCells.size());
        m_reader = std::thread([this] { ReaderLoop(); });
    }
}

CFileFrameSource::~CFileFrameSource()
{
    if (!m_reader.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        WaitForReader(lock);
        m_bStop = true;
    }
    m_cv.notify_all();
    m_reader.join();
}

void CFileFrameSource::WaitForReader(std::unique_lock<std::mutex>& lock)
{
    m_cv.wait(lock, [this] { return m_nAhead < 0 || m_bAheadDone; });
}

int CFileFrameSource::ChunkLength(int nFirst) const
{
    return std::min(m_nChunkFrames, GetFrameCount() - nFirst);
}

const CharCell* CFileFrameSource::GetFrame(int nIndex)
{
    if (nIndex < 0 || nIndex >= GetFrameCount())
        return nullptr;
    if (nIndex < m_nFirst || nIndex >= m_nFirst + m_nHeld) {
        bool bOk = false;
        if (m_reader.joinable()) {
            std::unique_lock lock(m_mutex);
            WaitForReader(lock);
            if (m_nAhead == nIndex) {
                m_vCells.swap(m_vAhead);
                bOk = m_bAheadOk;
                if (!bOk)
                    m_strError = m_strAheadError;
            } else {
                bOk = m_file.ReadFrames(nIndex, ChunkLength(nIndex), m_vCells.data(), &m_strError);
            }
            // The next chunk is read while this one is written out.
            const int nNext = nIndex + ChunkLength(nIndex);
            m_nAhead = nNext < GetFrameCount() ? nNext : -1;
            m_bAheadDone = false;
            lock.unlock();
            m_cv.notify_all();
        } else {
            bOk = m_file.ReadFrames(nIndex, ChunkLength(nIndex), m_vCells.data(), &m_strError);
        }
        m_nFirst = nIndex;
        m_nHeld = bOk ? ChunkLength(nIndex) : 0;
        if (!bOk)
            return nullptr;
    }
    return m_vCells.data() + std::size_t(nIndex - m_nFirst) * m_nFrameCells;
}

void CFileFrameSource::ReaderLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_bStop || (m_nAhead >= 0 && !m_bAheadDone); });
        if (m_bStop)
            return;
        // The buffer and the request stay this thread's until it says done.
        const int nFirst = m_nAhead;
        lock.unlock();
        std::string strError;
        const bool bOk = m_file.ReadFrames(nFirst, ChunkLength(nFirst), m_vAhead.data(), &strError);
        lock.lock();
        m_bAheadOk = bOk;
        m_strAheadError = std::move(strError);
        m_bAheadDone = true;
        m_cv.notify_all();
    }
}

std::string OpenDrawing(CGwpFile& file, const std::string& strPath)
{
    std::string strError;
    switch (file.Open(strPath, &strError)) {
    case EGwpOpen::Ok:
        return {};
    case EGwpOpen::Unreadable:
        return "cannot read " + strPath + ": " + strError;
    default:
        return strPath + ": " + strError;
    }
}
