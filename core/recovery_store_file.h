// The recovery copy's file: its check value, and its writing. Shared by
// the recovery store's files only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "core/char_cell.h"

class CFrameSnapshot;

// Temporary files are named and locked as SaveFileSafely's are, so one
// sweep finds what a killed writer of either left.
inline constexpr const char* kTempPrefix = ".gw-save-";

// FNV-1a, 64 bits, run on four lanes of 8-byte words so that a copy of a
// long drawing is checked at memory speed rather than a multiply per byte;
// enough to tell a copy that is not the one described. Bytes that do not
// fill a 32-byte block wait for the next call, so the value does not depend
// on how the data is cut.
class CCopyHash {
public:
    void Add(const char* p, std::size_t n)
    {
        while (n > 0 && (m_nPending > 0 || n < BLOCK)) {
            const std::size_t nTake = std::min(n, BLOCK - m_nPending);
            std::memcpy(m_aPending + m_nPending, p, nTake);
            m_nPending += nTake;
            p += nTake;
            n -= nTake;
            if (m_nPending < BLOCK)
                return;
            Block(m_aPending);
            m_nPending = 0;
        }
        for (; n >= BLOCK; p += BLOCK, n -= BLOCK)
            Block(p);
        std::memcpy(m_aPending, p, n);
        m_nPending = n;
    }
    uint64_t Value() const
    {
        uint64_t nHash = BASIS;
        for (std::size_t i = 0; i < m_nPending; ++i)
            nHash = (nHash ^ static_cast<uint8_t>(m_aPending[i])) * PRIME;
        for (const uint64_t nLane : m_aLanes)
            nHash = (nHash ^ nLane) * PRIME;
        return nHash;
    }

private:
    static constexpr std::size_t BLOCK = 32;
    static constexpr uint64_t BASIS = 14695981039346656037ull;
    static constexpr uint64_t PRIME = 1099511628211ull;

    void Block(const char* p)
    {
        for (int i = 0; i < 4; ++i) {
            uint64_t nWord = 0;
            std::memcpy(&nWord, p + 8 * i, 8);
            m_aLanes[i] = (m_aLanes[i] ^ nWord) * PRIME;
        }
    }

    uint64_t m_aLanes[4] = {BASIS, BASIS + 1, BASIS + 2, BASIS + 3};
    char m_aPending[BLOCK] = {};
    std::size_t m_nPending = 0;
};

// The header GwpWrite gives a drawing of these counts.
// The header GwpWrite gives a drawing of these counts.
std::string CopyHeader(int nFrames, int nCols, int nRows);

// Writes nFrames frames of nRows x nCols cells, from pFrames or else from
// pCells (back to back), as the ".gwp" file strPath, durably,
// by way of a temporary file renamed over it, and sets *pHash to the
// CCopyHash of its bytes. The folder itself is not synced: the description
// written next in it is, which makes this rename durable too. False, with
// the reason and nothing left behind, when a write fails, a frame is lost
// or *pCancel turns true (looked at between frames); fnBeforeFrame, when
// given, is called before each frame is read.
bool WriteCopyFile(const std::string& strPath, int nFrames, int nRows, int nCols,
                   CFrameSnapshot* pFrames, const CharCell* pCells,
                   const std::atomic<bool>* pCancel, const std::function<void(int)>& fnBeforeFrame,
                   uint64_t* pHash, std::string* pError);
