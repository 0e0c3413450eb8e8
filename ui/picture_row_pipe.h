// Rows handed from a decoding thread to one that uses them, through a few
// blocks of rows that are filled and used in turn: the decoder goes on with
// the next rows while the last ones are sampled, and nothing picture-sized is
// ever held. Plain C++, no Qt.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CRowPipe {
public:
    // Rows of nRowBytes bytes each, given to fnUse in order on a thread of
    // the pipe's own (on the caller's thread where there is one processor).
    CRowPipe(std::size_t nRowBytes, std::function<void(const uint8_t* pRow)> fnUse);
    // Drops what was not used yet and waits for the thread.
    ~CRowPipe();
    CRowPipe(const CRowPipe&) = delete;
    CRowPipe& operator=(const CRowPipe&) = delete;

    // A free block for up to BlockRows() rows, RowBytes() apart; it waits
    // while every block is still in use.
    uint8_t* Block();
    int BlockRows() const { return m_nBlockRows; }
    std::size_t RowBytes() const { return m_nRowBytes; }
    // Hands the first nRows rows of the block from Block() over.
    void Push(int nRows);
    // Waits until every row handed over is used; rethrows what fnUse threw.
    void Finish();

private:
    // A side that waits is woken only once half the blocks are ready for
    // it: each wake is a pair of context switches, as costly as the rows.
    static constexpr int BLOCKS = 8;
    static constexpr int WAKE_AT = BLOCKS / 2;
    void Run();

    std::size_t m_nRowBytes;
    int m_nBlockRows;
    std::function<void(const uint8_t*)> m_fnUse;
    std::vector<uint8_t> m_vBlocks;
    int m_vRows[BLOCKS] = {};
    int m_nHead = 0;   // the next block to fill
    int m_nFilled = 0; // blocks handed over and not yet used
    bool m_bClosing = false;
    bool m_bInline = false;
    std::exception_ptr m_error;
    std::mutex m_mutex;
    std::condition_variable m_cvFilled, m_cvFree;
    std::thread m_thread;
};
