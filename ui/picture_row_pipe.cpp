#include "ui/picture_row_pipe.h"

#include <algorithm>
#include <utility>

namespace {

// Blocks of about this size: large enough that handing one over costs
// little against its rows, small enough to stay in the processors' caches.
constexpr std::size_t BLOCK_BYTES = std::size_t(128) << 10;
constexpr int MAX_BLOCK_ROWS = 64;

} // namespace

CRowPipe::CRowPipe(std::size_t nRowBytes, std::function<void(const uint8_t*)> fnUse)
    : m_nRowBytes(std::max<std::size_t>(nRowBytes, 1)),
      m_nBlockRows(int(std::clamp<std::size_t>(BLOCK_BYTES / m_nRowBytes, 1, MAX_BLOCK_ROWS))),
      m_fnUse(std::move(fnUse))
{
    // With one processor a second thread only adds the hand-overs.
    m_bInline = std::thread::hardware_concurrency() < 2;
    m_vBlocks.resize(m_nRowBytes * std::size_t(m_nBlockRows) * (m_bInline ? 1 : BLOCKS));
    if (!m_bInline)
        m_thread = std::thread([this] { Run(); });
}

CRowPipe::~CRowPipe()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_bClosing = true;
        m_nFilled = 0; // what is left is not wanted
    }
    m_cvFilled.notify_one();
    m_thread.join();
}

uint8_t* CRowPipe::Block()
{
    if (m_bInline)
        return m_vBlocks.data();
    std::unique_lock lock(m_mutex);
    m_cvFree.wait(lock, [this] { return m_nFilled < BLOCKS; });
    return m_vBlocks.data() + std::size_t(m_nHead) * m_nRowBytes * std::size_t(m_nBlockRows);
}

void CRowPipe::Push(int nRows)
{
    nRows = std::clamp(nRows, 0, m_nBlockRows);
    if (m_bInline) {
        for (int i = 0; i < nRows && !m_error; ++i) {
            try {
                m_fnUse(m_vBlocks.data() + std::size_t(i) * m_nRowBytes);
            } catch (...) {
                m_error = std::current_exception();
            }
        }
        return;
    }
    bool bWake = false;
    {
        std::lock_guard lock(m_mutex);
        m_vRows[m_nHead] = nRows;
        m_nHead = (m_nHead + 1) % BLOCKS;
        bWake = ++m_nFilled >= WAKE_AT;
    }
    if (bWake)
        m_cvFilled.notify_one();
}

void CRowPipe::Finish()
{
    if (m_thread.joinable()) {
        // No more rows come: the thread uses what is left, then ends.
        {
            std::lock_guard lock(m_mutex);
            m_bClosing = true;
        }
        m_cvFilled.notify_one();
        m_thread.join();
    }
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void CRowPipe::Run()
{
    int nTail = 0;
    const std::size_t nBlockBytes = m_nRowBytes * std::size_t(m_nBlockRows);
    for (;;) {
        int nRows = 0;
        {
            std::unique_lock lock(m_mutex);
            m_cvFilled.wait(lock, [this] { return m_nFilled > 0 || m_bClosing; });
            if (m_nFilled == 0)
                return;
            nRows = m_vRows[nTail];
        }
        // After a throw the rest is only let through, so the decoder never
        // waits on a block that will not be freed.
        const uint8_t* pBlock = m_vBlocks.data() + std::size_t(nTail) * nBlockBytes;
        for (int i = 0; i < nRows && !m_error; ++i) {
            try {
                m_fnUse(pBlock + std::size_t(i) * m_nRowBytes);
            } catch (...) {
                m_error = std::current_exception();
            }
        }
        nTail = (nTail + 1) % BLOCKS;
        bool bWake = false;
        {
            std::lock_guard lock(m_mutex);
            // The destructor may have dropped the blocks meanwhile.
            if (m_nFilled > 0)
                --m_nFilled;
            bWake = m_nFilled <= BLOCKS - WAKE_AT;
        }
        if (bWake)
            m_cvFree.notify_one();
    }
}
