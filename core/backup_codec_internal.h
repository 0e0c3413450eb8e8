// What the two encoders of backup_codec.cpp and backup_codec_packed.cpp share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gwcodec {

inline constexpr std::size_t kEntries = 15; // entries after each block's header
inline constexpr unsigned kLastEntryBit = 1u << (kEntries - 1);

// Inputs up to this size are encoded from a mask of equal neighbours (bit i:
// word i equals word i + 1); a page (BACKUP_PAGE_WORDS) is the only size the
// store encodes.
inline constexpr std::size_t kMaskWords = 2048;

// The 64 mask bits from bit nAt on.
inline uint64_t BitsFrom(const uint64_t* pMask, std::size_t nAt)
{
    const std::size_t k = nAt / 64;
    const unsigned s = nAt % 64;
    return s == 0 ? pMask[k] : (pMask[k] >> s) | (pMask[k + 1] << (64 - s));
}

// The vectorised encoder, where HasPackedEncoder says the processor has it.
bool HasPackedEncoder();
// Whether the vectorised encoder is the faster for a page with this mask.
bool PackedPays(const uint64_t* pEqual, std::size_t nWords);
// Encodes a multiple of 8 words, up to kMaskWords, with their mask.
std::size_t EncodePacked(const uint16_t* pSrc, std::size_t nWords, const uint64_t* pEqual,
                         uint16_t* pOut);
// XORs two pages into pXor and writes the mask of the result.
void XorPage(const uint16_t* pBefore, const uint16_t* pNow, uint16_t* pXor, uint64_t* pEqual);

} // namespace gwcodec
