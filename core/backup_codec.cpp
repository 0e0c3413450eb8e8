#include "core/backup_codec.h"
#include "core/backup_codec_internal.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using namespace gwcodec;

static_assert(kMaskWords == BACKUP_PAGE_WORDS);

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

// Bit i of pMask: word i equals word i + 1. The bit of the last word, and
// every bit past it, is clear, so no run reaches beyond the input.
void EqualNeighbours(const uint16_t* pSrc, std::size_t nWords, uint64_t* pMask)
{
    const std::size_t nMaskWords = (nWords + 63) / 64 + 1;
    std::memset(pMask, 0, nMaskWords * sizeof *pMask);
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen words at a time: compare each with the next, pack the 16-bit
    // results to bytes and take one bit per word.
    for (; i + 17 <= nWords; i += 16) {
        const auto* p = reinterpret_cast<const __m128i*>(pSrc + i);
        const auto* q = reinterpret_cast<const __m128i*>(pSrc + i + 1);
        const __m128i lo = _mm_cmpeq_epi16(_mm_loadu_si128(p), _mm_loadu_si128(q));
        const __m128i hi = _mm_cmpeq_epi16(_mm_loadu_si128(p + 1), _mm_loadu_si128(q + 1));
        const auto nBits = static_cast<uint64_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)));
        pMask[i / 64] |= nBits << (i % 64);
    }
#endif
    for (; i + 1 < nWords; ++i)
        pMask[i / 64] |= static_cast<uint64_t>(pSrc[i] == pSrc[i + 1]) << (i % 64);
}


// Where the runs of equal words begin, read in order: bit i is set when word
// i differs from word i - 1, and for word 0; bit nWords marks the end. Each
// step to the next start depends only on the previous step's bits, not on
// the words, so the encoder's loop does not wait on its own results.
class CRunStarts {
public:
    CRunStarts(const uint64_t* pEqual, std::size_t nWords)
    {
        const std::size_t nLast = nWords / 64; // the word holding bit nWords
        uint64_t nCarry = 0; // the equality bit of the word before
        for (std::size_t k = 0; k <= nLast; ++k) {
            m_aStarts[k] = ~((pEqual[k] << 1) | nCarry);
            nCarry = pEqual[k] >> 63;
        }
        // Nothing begins past the end but the end itself; the word after it
        // has every bit set, so Next never reads beyond the array.
        m_aStarts[nLast] &= ~uint64_t(0) >> (63 - nWords % 64);
        m_aStarts[nLast] |= uint64_t(1) << (nWords % 64);
        m_aStarts[nLast + 1] = ~uint64_t(0);
    }
    // Makes Next return the starts after nAt.
    void SeekAfter(std::size_t nAt)
    {
        const std::size_t nFrom = nAt + 1;
        m_nWord = nFrom / 64;
        m_nBits = m_aStarts[m_nWord] & (~uint64_t(0) << (nFrom % 64));
    }
    std::size_t Next()
    {
        while (m_nBits == 0)
            m_nBits = m_aStarts[++m_nWord];
        const std::size_t n = m_nWord * 64 + static_cast<std::size_t>(std::countr_zero(m_nBits));
        m_nBits &= m_nBits - 1;
        return n;
    }

private:
    uint64_t m_aStarts[kMaskWords / 64 + 2];
    std::size_t m_nWord = 0;
    uint64_t m_nBits = 0;
};

// The same encoding as EncodeWords, for inputs of at most kMaskWords, with
// every run's length taken from the run starts instead of measured.
std::size_t EncodeMasked(const uint16_t* pSrc, std::size_t nWords, const uint64_t* pEqual,
                         uint16_t* pOut)
{
    CRunStarts starts(pEqual, nWords);
    starts.SeekAfter(0);
    std::size_t nIn = 0;
    std::size_t nNext = starts.Next(); // where the run at nIn ends
    std::size_t nOut = 0;
    bool bBusy = true;
    for (;;) {
        if (bBusy && nIn + kEntries <= nWords && (BitsFrom(pEqual, nIn) & 0x3FFF) == 0) {
            // Blocks of fifteen literals, as in EncodeWords.
            do {
                pOut[nOut++] = 0x7FFF;
                std::memcpy(pOut + nOut, pSrc + nIn, kEntries * sizeof *pOut);
                nOut += kEntries;
                nIn += kEntries;
            } while (nIn + kEntries <= nWords && (BitsFrom(pEqual, nIn) & 0x3FFF) == 0);
            starts.SeekAfter(nIn);
            nNext = starts.Next();
        }
        uint16_t* pHeader = pOut + nOut++;
        unsigned nHeader = 0;
        unsigned nBit = 1; // the header bit of the next entry
        do {
            if (nIn == nWords) {
                pOut[nOut++] = 0; // terminating count
                *pHeader = static_cast<uint16_t>(nHeader);
                return nOut;
            }
            const std::size_t nRun = nNext - nIn;
            if (nRun > 1) {
                if (nBit == kLastEntryBit) {
                    // No room for a count: the run's first word ends the
                    // block alone and the rest of the run begins the next.
                    nHeader |= nBit;
                    pOut[nOut++] = pSrc[nIn++];
                    break;
                }
                pOut[nOut++] = static_cast<uint16_t>(nRun);
                nBit <<= 1;
            }
            nHeader |= nBit;
            nBit <<= 1;
            pOut[nOut++] = pSrc[nIn];
            nIn = nNext;
            nNext = starts.Next();
        } while (nBit <= kLastEntryBit);
        *pHeader = static_cast<uint16_t>(nHeader);
        bBusy = nHeader == 0x7FFF;
    }
}

// Word by word, for inputs of any length.
std::size_t EncodeWords(const uint16_t* pSrc, std::size_t nWords, uint16_t* pOut)
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

bool s_bUsePacked = HasPackedEncoder();

std::size_t EncodeWithMask(const uint16_t* pSrc, std::size_t nWords, const uint64_t* pEqual,
                           uint16_t* pOut)
{
#if defined(__x86_64__)
    if (s_bUsePacked && nWords % 8 == 0 && nWords > 0 && PackedPays(pEqual, nWords))
        return EncodePacked(pSrc, nWords, pEqual, pOut);
#endif
    return EncodeMasked(pSrc, nWords, pEqual, pOut);
}

} // namespace

bool BackupUsePackedEncoder(bool bPacked)
{
    s_bUsePacked = bPacked && HasPackedEncoder();
    return s_bUsePacked;
}

std::size_t BackupEncode(const uint16_t* pSrc, std::size_t nWords, uint16_t* pOut)
{
    if (nWords > kMaskWords)
        return EncodeWords(pSrc, nWords, pOut);
    uint64_t aEqual[kMaskWords / 64 + 2];
    EqualNeighbours(pSrc, nWords, aEqual);
    return EncodeWithMask(pSrc, nWords, aEqual, pOut);
}

std::size_t BackupEncodePageXor(const void* pBefore, const void* pNow, uint16_t* pOut)
{
    alignas(32) uint16_t aXor[kMaskWords];
    uint64_t aEqual[kMaskWords / 64 + 2];
#if defined(__x86_64__)
    if (s_bUsePacked) {
        XorPage(static_cast<const uint16_t*>(pBefore), static_cast<const uint16_t*>(pNow), aXor, aEqual);
        return EncodeWithMask(aXor, kMaskWords, aEqual, pOut);
    }
#endif
    const auto* pA = static_cast<const uint16_t*>(pBefore);
    const auto* pB = static_cast<const uint16_t*>(pNow);
    for (std::size_t i = 0; i < kMaskWords; ++i)
        aXor[i] = static_cast<uint16_t>(pA[i] ^ pB[i]);
    EqualNeighbours(aXor, kMaskWords, aEqual);
    return EncodeMasked(aXor, kMaskWords, aEqual, pOut);
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
