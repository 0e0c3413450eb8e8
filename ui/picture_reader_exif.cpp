#include "ui/picture_reader_exif.h"

#include <cstddef>
#include <cstring>

int ExifOrientation(jpeg_saved_marker_ptr pMarker)
{
    for (; pMarker; pMarker = pMarker->next) {
        const JOCTET* p = pMarker->data;
        if (pMarker->marker != JPEG_APP0 + 1 || pMarker->data_length < 14 ||
            std::memcmp(p, "Exif\0\0", 6) != 0)
            continue;
        p += 6;
        const std::size_t nSize = pMarker->data_length - 6;
        const bool bBig = p[0] == 'M' && p[1] == 'M';
        if (!bBig && !(p[0] == 'I' && p[1] == 'I'))
            return 1;
        const auto u16 = [&](std::size_t n) -> unsigned {
            return bBig ? unsigned(p[n]) << 8 | p[n + 1] : unsigned(p[n + 1]) << 8 | p[n];
        };
        const std::size_t nDir =
            bBig ? std::size_t(u16(4)) << 16 | u16(6) : std::size_t(u16(6)) << 16 | u16(4);
        if (u16(2) != 42 || nDir + 2 > nSize)
            return 1;
        const unsigned nEntries = u16(nDir);
        for (std::size_t i = 0, n = nDir + 2; i < nEntries && n + 12 <= nSize; ++i, n += 12)
            if (u16(n) == 0x0112) {
                const unsigned nValue = u16(n + 8);
                return nValue >= 1 && nValue <= 8 ? int(nValue) : 1;
            }
        return 1;
    }
    return 1;
}

