#include "core/gif_scan.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes in memory.
struct CMemorySource {
    const uint8_t* p;
    std::size_t nSize, n = 0;
    int Get() { return n < nSize ? p[n++] : -1; }
    bool Skip(std::size_t nBytes)
    {
        if (nBytes > nSize - n)
            return false;
        n += nBytes;
        return true;
    }
};

// Bytes of a file, through its stdio buffer.
struct CFileSource {
    std::FILE* pFile;
    int Get() { return std::getc(pFile); }
    bool Skip(std::size_t nBytes)
    {
        char vScratch[256];
        while (nBytes > 0) {
            const std::size_t nPart = std::min(nBytes, sizeof vScratch);
            if (std::fread(vScratch, 1, nPart, pFile) != nPart)
                return false;
            nBytes -= nPart;
        }
        return true;
    }
};

template <typename TSource>
int CountFrames(TSource& src)
{
    uint8_t vHeader[13];
    for (uint8_t& b : vHeader) {
        const int c = src.Get();
        if (c < 0)
            return -1;
        b = uint8_t(c);
    }
    if (std::memcmp(vHeader, "GIF87a", 6) != 0 && std::memcmp(vHeader, "GIF89a", 6) != 0)
        return -1;
    if ((vHeader[10] & 0x80) && !src.Skip(std::size_t(3) << ((vHeader[10] & 7) + 1)))
        return -1;
    // The data sub-blocks, then their empty terminator.
    const auto skipSubBlocks = [&] {
        for (int nLength = src.Get(); nLength != 0; nLength = src.Get())
            if (nLength < 0 || !src.Skip(std::size_t(nLength)))
                return false;
        return true;
    };
    int nFrames = 0;
    for (int c = src.Get(); c >= 0 && c != 0x3B; c = src.Get()) {
        if (c == 0x21) { // extension: label, then sub-blocks
            if (src.Get() < 0)
                return -1;
        } else if (c == 0x2C) { // image: descriptor, colours, code size
            uint8_t vDesc[9];
            for (uint8_t& b : vDesc) {
                const int d = src.Get();
                if (d < 0)
                    return -1;
                b = uint8_t(d);
            }
            if (((vDesc[8] & 0x80) && !src.Skip(std::size_t(3) << ((vDesc[8] & 7) + 1))) || src.Get() < 0)
                return -1;
            ++nFrames;
        } else {
            return -1;
        }
        if (!skipSubBlocks())
            return -1;
    }
    return nFrames;
}

} // namespace

int GifFrameCount(const uint8_t* p, std::size_t nSize)
{
    CMemorySource src{p, nSize};
    return CountFrames(src);
}

int GifFrameCount(std::FILE* pFile)
{
    CFileSource src{pFile};
    return CountFrames(src);
}
