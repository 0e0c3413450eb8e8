#include "core/backup_codec.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kEntries = 15;  // entries after each block's header
constexpr std::size_t kMaxRun = 65534; // counts stay below 65,535

// True when some 16-bit lane of x is zero.
inline bool AnyZeroWord(uint64_t x)
{
    return ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) != 0;
}

// True when none of the 15 words from p equals the word after it, for the
// first 14 of them: the whole block is then literals. Reads p[0] to p[14].
inline bool NoEqualNeighbours(const uint16_t* p)
{
    for (std::size_t i : {std::size_t(0), std::size_t(4), std::size_t(8), std::size_t(10)}) {
        uint64_t nHere;
        uint64_t nNext;
        std::memcpy(&nHere, p + i, sizeof nHere);
        std::memcpy(&nNext, p + i + 1, sizeof nNext);
        if (AnyZeroWord(nHere ^ nNext))
            return false;
    }
    return true;
}

} // namespace

std::size_t BackupEncode(const uint16_t* pSrc, std::size_t nWords, uint16_t* pOut)
{
    std::size_t nIn = 0;
    std::size_t nOut = 0;
    bool bBusy = true;
    for (;;) {
        // A busy page is mostly blocks of fifteen literals: no word equals
        // the next among the first fourteen (the last position never starts
        // a run). Such a block is copied whole. Tried again only after a
        // block of literals, so pages of runs pay nothing for it.
        while (bBusy && nIn + kEntries <= nWords && NoEqualNeighbours(pSrc + nIn)) {
            pOut[nOut++] = 0x7FFF;
            std::memcpy(pOut + nOut, pSrc + nIn, kEntries * sizeof *pOut);
            nOut += kEntries;
            nIn += kEntries;
        }
        uint16_t* pHeader = pOut + nOut++;
        uint16_t wHeader = 0;
        std::size_t nPos = 0;
        bool bDone = false;
        while (nPos < kEntries) {
            if (nIn == nWords) {
                pOut[nOut++] = 0; // terminating count
                bDone = true;
                break;
            }
            const uint16_t w = pSrc[nIn];
            std::size_t nRun = 1;
            // A run needs a count and its literal in the same block. Most
            // words of a busy page differ from the next one: look at that
            // first, before measuring a run.
            if (nPos + 1 < kEntries && nIn + 1 < nWords && pSrc[nIn + 1] == w) {
                nRun = 2;
                const std::size_t nLimit = std::min(nWords - nIn, kMaxRun);
                // Most of a difference is long runs of zeros: compare four
                // words at a time first.
                const uint64_t nPattern = w * 0x0001000100010001ull;
                while (nRun + 4 <= nLimit) {
                    uint64_t nFour;
                    std::memcpy(&nFour, pSrc + nIn + nRun, sizeof nFour);
                    if (nFour != nPattern)
                        break;
                    nRun += 4;
                }
                while (nRun < nLimit && pSrc[nIn + nRun] == w)
                    ++nRun;
                pOut[nOut++] = static_cast<uint16_t>(nRun);
                ++nPos;
            }
            wHeader |= static_cast<uint16_t>(1u << nPos);
            pOut[nOut++] = w;
            ++nPos;
            nIn += nRun;
        }
        *pHeader = wHeader;
        if (bDone)
            return nOut;
        bBusy = wHeader == 0x7FFF;
    }
}

void BackupDecodeXor(const uint16_t* pEnc, std::size_t nEncodedWords, uint16_t* pDst,
                     std::size_t nWords)
{
    std::size_t nCovered = 0;
    std::size_t nBlock = 0;
    while (nCovered < nWords && nBlock < nEncodedWords) {
        const uint16_t wHeader = pEnc[nBlock];
        std::size_t nPending = 1;
        for (std::size_t i = 0; i < kEntries; ++i) {
            if (nBlock + 1 + i >= nEncodedWords)
                return;
            const uint16_t wEntry = pEnc[nBlock + 1 + i];
            if (wHeader & (1u << i)) {
                const std::size_t nCount = std::min(nPending, nWords - nCovered);
                if (nCount == 1) {
                    pDst[nCovered] ^= wEntry;
                } else if (wEntry != 0) {
                    for (std::size_t k = 0; k < nCount; ++k)
                        pDst[nCovered + k] ^= wEntry;
                }
                nCovered += nCount;
                nPending = 1;
                if (nCovered == nWords)
                    return;
            } else {
                if (wEntry == 0)
                    return;
                nPending = wEntry;
            }
        }
        nBlock += 1 + kEntries;
    }
}
