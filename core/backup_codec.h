// Run-length encoding of one page's XOR difference, seen as 16-bit words.
//
// The encoding is a sequence of blocks of 16 words: a header word, then up to
// 15 entries. Bit i of the header marks entry i as a literal; a clear bit
// makes the entry a repeat count for the literal that follows it in the same
// block. A count of 0 ends the encoding. A count never reaches 65,535, so a
// longer run is written as several.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t BACKUP_PAGE_WORDS = 2048;

// Upper bound of the encoded size, in words, of nWords input words
// (2,186 words, 4,372 bytes, for a page).
constexpr std::size_t BackupEncodedMaxWords(std::size_t nWords)
{
    // Every word a literal: 15 per block of 16, then one more block for the end.
    return (nWords / 15) * 16 + 1 + (nWords % 15) + 1;
}

// Encodes nWords words of pSrc into pOut, which must hold
// BackupEncodedMaxWords(nWords) words. Returns the number of words written.
std::size_t BackupEncode(const uint16_t* pSrc, std::size_t nWords, uint16_t* pOut);

// BackupEncode of the XOR of two pages of BACKUP_PAGE_WORDS words, without
// writing the XOR out first. pOut holds BackupEncodedMaxWords(BACKUP_PAGE_WORDS).
std::size_t BackupEncodePageXor(const void* pBefore, const void* pNow, uint16_t* pOut);

// Whether BackupEncode may use its vectorised encoder, where the processor has
// one (the default): both give the same words. Returns whether it is in use.
bool BackupUsePackedEncoder(bool bPacked);

// XORs an encoding into nWords words of pDst. Reads no further than
// nEncodedWords and writes no further than nWords, whatever the input.
void BackupDecodeXor(const uint16_t* pEnc, std::size_t nEncodedWords, uint16_t* pDst,
                     std::size_t nWords);
