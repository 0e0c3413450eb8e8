#include "core/gif_scan.h"

#include <cstring>

int GifFrameCount(const uint8_t* p, std::size_t nSize)
{
    if (nSize < 13 || (std::memcmp(p, "GIF87a", 6) != 0 && std::memcmp(p, "GIF89a", 6) != 0))
        return -1;
    std::size_t n = 13;
    if (p[10] & 0x80)
        n += std::size_t(3) << ((p[10] & 7) + 1);
    // The data sub-blocks, then their empty terminator.
    const auto skipSubBlocks = [&] {
        while (n < nSize && p[n] != 0)
            n += 1 + std::size_t(p[n]);
        ++n;
        return n <= nSize;
    };
    int nFrames = 0;
    while (n < nSize && p[n] != 0x3B) {
        if (p[n] == 0x21) { // extension: label, then sub-blocks
            n += 2;
        } else if (p[n] == 0x2C) { // image: descriptor, colours, code size
            if (n + 10 > nSize)
                return -1;
            const uint8_t nFlags = p[n + 9];
            n += 10 + ((nFlags & 0x80) ? std::size_t(3) << ((nFlags & 7) + 1) : 0) + 1;
            ++nFrames;
        } else {
            return -1;
        }
        if (!skipSubBlocks())
            return -1;
    }
    return nFrames;
}
