// The vectorised encoder: the same words as the plain one, for processors
// with AVX2, chosen at run time.
#include "core/backup_codec_internal.h"

#if defined(__x86_64__)

#include <bit>
#include <cstring>
#include <initializer_list>

#include <immintrin.h>

namespace gwcodec {
namespace {

// Starts of runs as CRunStarts keeps them: bit i set when word i begins a
// run, bit nWords marks the end, and the word after it has every bit set.
void RunStarts(const uint64_t* pEqual, std::size_t nWords, uint64_t* pStarts)
{
    const std::size_t nLast = nWords / 64;
    uint64_t nCarry = 0;
    for (std::size_t k = 0; k <= nLast; ++k) {
        pStarts[k] = ~((pEqual[k] << 1) | nCarry);
        nCarry = pEqual[k] >> 63;
    }
    pStarts[nLast] &= ~uint64_t(0) >> (63 - nWords % 64);
    pStarts[nLast] |= uint64_t(1) << (nWords % 64);
    pStarts[nLast + 1] = ~uint64_t(0);
}

inline std::size_t NextStart(const uint64_t* pStarts, std::size_t nAt)
{
    const std::size_t nFrom = nAt + 1;
    std::size_t k = nFrom / 64;
    uint64_t nBits = pStarts[k] & (~uint64_t(0) << (nFrom % 64));
    while (nBits == 0)
        nBits = pStarts[++k];
    return k * 64 + static_cast<std::size_t>(std::countr_zero(nBits));
}

// aShuffle: for 4 words, the byte shuffle that puts their entries at the
// front of a vector in which lane 2j holds word j's count and lane 2j + 1 the
// word. The index holds the 4 words' run starts in its low half and, in its
// high half, which of those runs are longer than one (and so have a count).
// aLength: for 8 words' run starts, the length of the run at each word as
// far as the 8 words tell it; aOpen: all ones where that run reaches past
// the 8 words.
struct GatherTable {
    uint8_t aShuffle[256][16];
    uint16_t aLength[256][8];
    uint16_t aOpen[256][8];
};

constexpr GatherTable MakeGatherTable()
{
    GatherTable t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned n = 0;
        for (unsigned nWord = 0; nWord < 4; ++nWord) {
            for (unsigned nLane : {2 * nWord, 2 * nWord + 1}) {
                const bool bKept = nLane % 2 ? (m >> nWord & 1u) : (m >> (nWord + 4) & 1u);
                if (!bKept)
                    continue;
                t.aShuffle[m][2 * n] = static_cast<uint8_t>(2 * nLane);
                t.aShuffle[m][2 * n + 1] = static_cast<uint8_t>(2 * nLane + 1);
                ++n;
            }
        }
        for (n *= 2; n < 16; ++n)
            t.aShuffle[m][n] = 0x80;
        for (unsigned j = 0; j < 8; ++j) {
            unsigned k = j + 1;
            while (k < 8 && !(m >> k & 1u))
                ++k;
            t.aLength[m][j] = static_cast<uint16_t>(k - j);
            t.aOpen[m][j] = k == 8 ? 0xFFFF : 0;
        }
    }
    return t;
}

alignas(16) constexpr GatherTable kGather = MakeGatherTable();

#define GW_AVX2 __attribute__((target("avx2"), always_inline)) inline

GW_AVX2 __m256i XorAt(const uint16_t* pBefore, const uint16_t* pNow, std::size_t i)
{
    return _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pBefore + i)),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pNow + i)));
}

// One bit per word of 32 from the compares of their two halves.
GW_AVX2 uint64_t EqualBits(__m256i eqLo, __m256i eqHi)
{
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(eqLo, eqHi), 0xD8);
    return static_cast<uint32_t>(_mm256_movemask_epi8(packed));
}

} // namespace

// XORs a page of pBefore with a page of pNow into pXor and sets pEqual as
// EqualNeighbours does for the result, in one pass of 32 words at a time.
__attribute__((target("avx2"))) void XorPage(const uint16_t* pBefore, const uint16_t* pNow,
                                             uint16_t* pXor, uint64_t* pEqual)
{
    constexpr std::size_t nLast = kMaskWords - 32;
    for (std::size_t i = 0; i < kMaskWords; i += 64) {
        uint64_t nMask = 0;
        for (std::size_t h = 0; h < 64; h += 32) {
            const std::size_t k = i + h;
            const __m256i lo = XorAt(pBefore, pNow, k);
            const __m256i hi = XorAt(pBefore, pNow, k + 16);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pXor + k), lo);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pXor + k + 16), hi);
            uint64_t n32;
            if (k != nLast) {
                n32 = EqualBits(_mm256_cmpeq_epi16(lo, XorAt(pBefore, pNow, k + 1)),
                                _mm256_cmpeq_epi16(hi, XorAt(pBefore, pNow, k + 17)));
            } else {
                // Nothing may be read past the page: the last 32 words are
                // compared with the words before them instead, and the last
                // word has no neighbour after it.
                n32 = EqualBits(_mm256_cmpeq_epi16(XorAt(pBefore, pNow, k - 1), lo),
                                _mm256_cmpeq_epi16(XorAt(pBefore, pNow, k + 15), hi)) >>
                      1;
            }
            nMask |= n32 << h;
        }
        pEqual[i / 64] = nMask;
    }
    pEqual[kMaskWords / 64] = 0;
}

// The same encoding as EncodeMasked, for a multiple of 8 words up to
// kMaskWords, in two passes. The first writes the entries without blocks,
// 8 words at a time: each word that begins a run gives its literal, after a
// count when the run is longer than one, the counts taken from tables over
// the 8 words' run starts. The second cuts the entries into
// blocks of fifteen, where a count that would fall on the last entry of a
// block takes the path EncodeMasked takes: its literal ends the block and the
// rest of the run begins the next.
__attribute__((target("avx2,popcnt,bmi"))) std::size_t EncodePacked(const uint16_t* pSrc,
                                                                    std::size_t nWords,
                                                                    const uint64_t* pEqual,
                                                                    uint16_t* pOut)
{
    uint64_t aStarts[kMaskWords / 64 + 2];
    RunStarts(pEqual, nWords, aStarts);

    // The entries, and beside each one all ones for a literal or zero for a
    // count; room for a whole vector past the terminating count.
    uint16_t aEntry[kMaskWords + 24];
    uint16_t aKind[kMaskWords + 24];
    const auto* pStartBytes = reinterpret_cast<const uint8_t*>(aStarts);
    const auto* pEqualBytes = reinterpret_cast<const uint8_t*>(pEqual);
    const __m128i kinds = _mm_set1_epi32(static_cast<int>(0xFFFF0000u));
    std::size_t nEntries = 0;
    for (std::size_t c = 0; c < nWords / 8; ++c) {
        const unsigned nStart = pStartBytes[c];
        const unsigned nRun = nStart & pEqualBytes[c];
        const unsigned nLo = (nStart & 0xF) | (nRun & 0xF) << 4;
        const unsigned nHi = nStart >> 4 | (nRun & 0xF0);
        // The runs that reach past the 8 words go on to the next start
        // after them, most often in the next 8 words.
        const unsigned nNextStarts = pStartBytes[c + 1];
        const auto nBeyond = static_cast<int>(
            nNextStarts != 0 ? static_cast<unsigned>(std::countr_zero(nNextStarts))
                             : NextStart(aStarts, 8 * c + 7) - (8 * c + 8));
        const __m128i lengths = _mm_add_epi16(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kGather.aLength[nStart])),
            _mm_and_si128(_mm_set1_epi16(static_cast<short>(nBeyond)),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(kGather.aOpen[nStart]))));
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + 8 * c));
        const __m128i loShuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(kGather.aShuffle[nLo]));
        const __m128i hiShuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(kGather.aShuffle[nHi]));
        const std::size_t nHiAt = nEntries + static_cast<std::size_t>(__builtin_popcount(nLo));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(aEntry + nEntries),
                         _mm_shuffle_epi8(_mm_unpacklo_epi16(lengths, x), loShuffle));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(aKind + nEntries), _mm_shuffle_epi8(kinds, loShuffle));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(aEntry + nHiAt),
                         _mm_shuffle_epi8(_mm_unpackhi_epi16(lengths, x), hiShuffle));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(aKind + nHiAt), _mm_shuffle_epi8(kinds, hiShuffle));
        nEntries = nHiAt + static_cast<std::size_t>(__builtin_popcount(nHi));
    }
    aEntry[nEntries] = 0; // terminating count
    _mm_storeu_si128(reinterpret_cast<__m128i*>(aKind + nEntries), _mm_setzero_si128());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(aKind + nEntries + 8), _mm_setzero_si128());
    ++nEntries;

    std::size_t nAt = 0;
    std::size_t nOut = 0;
    for (;;) {
        const std::size_t nLeft = nEntries - nAt;
        const __m128i k0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(aKind + nAt));
        const __m128i k1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(aKind + nAt + 8));
        unsigned nHeader = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(k0, k1))) & 0x7FFF;
        if (nLeft <= kEntries) {
            pOut[nOut] = static_cast<uint16_t>(nHeader & ((1u << nLeft) - 1));
            std::memcpy(pOut + nOut + 1, aEntry + nAt, nLeft * sizeof *pOut);
            return nOut + 1 + nLeft;
        }
        // Sixteen entries go out; the sixteenth is the next block's header,
        // written over below.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + nOut + 1),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(aEntry + nAt)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + nOut + 9),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(aEntry + nAt + 8)));
        if (nHeader & kLastEntryBit) {
            nAt += kEntries;
        } else {
            // A count on the last entry: its literal takes the place, and
            // the rest of its run, one word shorter, begins the next block.
            pOut[nOut + kEntries] = aEntry[nAt + kEntries];
            nHeader |= kLastEntryBit;
            const uint16_t nRest = static_cast<uint16_t>(aEntry[nAt + kEntries - 1] - 1);
            if (nRest > 1) {
                aEntry[nAt + kEntries - 1] = nRest;
                nAt += kEntries - 1;
            } else {
                nAt += kEntries;
            }
        }
        pOut[nOut] = static_cast<uint16_t>(nHeader);
        nOut += 1 + kEntries;
    }
}

// The word-by-word encoder costs about as much per run start as the packed
// one costs per 8 words, less where blocks of fifteen literals are copied
// whole. The packed one pays on pages where more than a third of the words
// begin runs and runs longer than one keep breaking up the literal blocks
// (a page where every cell changes several fields, say).
__attribute__((target("popcnt"))) bool PackedPays(const uint64_t* pEqual, std::size_t nWords)
{
    std::size_t nEqual = 0;
    std::size_t nRuns = 0;
    uint64_t nCarry = 0;
    for (std::size_t k = 0; k < (nWords + 63) / 64; ++k) {
        const uint64_t nStarts = ~((pEqual[k] << 1) | nCarry);
        nCarry = pEqual[k] >> 63;
        nEqual += static_cast<std::size_t>(std::popcount(pEqual[k]));
        nRuns += static_cast<std::size_t>(std::popcount(pEqual[k] & nStarts));
    }
    // Every word that equals the one after it begins no run.
    return nWords - nEqual > nWords / 3 && nRuns > nWords / 64;
}

bool HasPackedEncoder()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
           __builtin_cpu_supports("bmi");
}

} // namespace gwcodec

#else

namespace gwcodec {

bool HasPackedEncoder()
{
    return false;
}

} // namespace gwcodec

#endif
