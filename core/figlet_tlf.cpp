// TOIlet fonts: the FIGlet layout written in UTF-8 under a "tlf2a"
// signature. The canvas holds Windows-1252 bytes, so the whole file is turned
// into those before it is read as a FIGlet font: every sub-character then
// takes one byte, and widths, end marks and smushing work unchanged.
// Characters Windows-1252 lacks become the nearest ASCII character where one
// is plain (box lines, blocks, circled and full-width letters), else '?'.
#include "core/figlet.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace {

// Windows-1252's bytes 0x80 to 0x9F and the characters they hold.
constexpr std::pair<char32_t, uint8_t> kCp1252High[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

// Box drawing (U+2500 to U+257F): lines that run across, lines that run up
// and down, the diagonals; the rest are corners and crossings.
char BoxDrawingAscii(char32_t cp)
{
    static constexpr char32_t kAcross[] = {0x2500, 0x2501, 0x2504, 0x2505, 0x2508,
                                           0x2509, 0x254C, 0x254D, 0x2550, 0x2574,
                                           0x2576, 0x2578, 0x257A, 0x257C, 0x257E};
    static constexpr char32_t kUpDown[] = {0x2502, 0x2503, 0x2506, 0x2507, 0x250A,
                                           0x250B, 0x254E, 0x254F, 0x2551, 0x2575,
                                           0x2577, 0x2579, 0x257B, 0x257D, 0x257F};
    if (std::find(std::begin(kAcross), std::end(kAcross), cp) != std::end(kAcross))
        return '-';
    if (std::find(std::begin(kUpDown), std::end(kUpDown), cp) != std::end(kUpDown))
        return '|';
    return cp == 0x2571 ? '/' : cp == 0x2572 ? '\\' : cp == 0x2573 ? 'X' : '+';
}

// Block elements (U+2580 to U+259F): shades by their density, small
// quarters by where they sit, the fuller ones as '#'.
char BlockAscii(char32_t cp)
{
    switch (cp) {
    case 0x2580:
        return '"';
    case 0x2584:
        return ',';
    case 0x2591:
        return '.';
    case 0x2592:
        return ':';
    case 0x2596:
    case 0x2597:
        return '.';
    case 0x2598:
    case 0x259D:
        return '\'';
    default:
        return '#';
    }
}

uint8_t Cp1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<uint8_t>(cp);
    for (const auto& [cpHigh, byte] : kCp1252High)
        if (cp == cpHigh)
            return byte;
    if (cp >= 0xFF01 && cp <= 0xFF5E) // full-width forms of ASCII
        return static_cast<uint8_t>(cp - 0xFEE0);
    if (cp >= 0x24B6 && cp <= 0x24CF) // circled capitals
        return static_cast<uint8_t>('A' + (cp - 0x24B6));
    if (cp >= 0x24D0 && cp <= 0x24E9) // circled small letters
        return static_cast<uint8_t>('a' + (cp - 0x24D0));
    if (cp >= 0x2460 && cp <= 0x2468) // circled digits one to nine
        return static_cast<uint8_t>('1' + (cp - 0x2460));
    if (cp == 0x24EA || cp == 0x24FF)
        return '0';
    if (cp >= 0x2500 && cp <= 0x257F)
        return static_cast<uint8_t>(BoxDrawingAscii(cp));
    if (cp >= 0x2580 && cp <= 0x259F)
        return static_cast<uint8_t>(BlockAscii(cp));
    if (cp >= 0x2800 && cp <= 0x28FF) // braille: the empty cell, or dots
        return cp == 0x2800 ? ' ' : '.';
    if (cp >= 0x2010 && cp <= 0x2015)
        return '-';
    if (cp == 0x3000)
        return ' ';
    if (cp == 0x25A0 || cp == 0x25AA)
        return '#';
    if (cp == 0x25CB || cp == 0x25CF || cp == 0x25E6)
        return 'o';
    return '?';
}

// The code point starting at data[i] and its length in bytes; a byte that
// does not start a well-formed UTF-8 sequence stands alone as U+FFFD.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view data, std::size_t i)
{
    const auto b0 = static_cast<uint8_t>(data[i]);
    if (b0 < 0x80)
        return {b0, 1};
    const std::size_t nLen = b0 >= 0xF0 && b0 < 0xF5 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 ? 2 : 0;
    if (nLen == 0 || b0 >= 0xF5 || i + nLen > data.size())
        return {0xFFFD, 1};
    char32_t cp = b0 & (0x7F >> nLen);
    for (std::size_t n = 1; n < nLen; ++n) {
        const auto b = static_cast<uint8_t>(data[i + n]);
        if ((b & 0xC0) != 0x80)
            return {0xFFFD, 1};
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[nLen] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {0xFFFD, 1};
    return {cp, nLen};
}

} // namespace

std::string ToiletGlyphRow(std::string_view row)
{
    // Where the last character, and the one before it, start.
    auto CharStart = [&](std::size_t nEnd) {
        std::size_t n = nEnd;
        while (n > 0 && (static_cast<uint8_t>(row[n - 1]) & 0xC0) == 0x80 && nEnd - n < 3)
            --n;
        return n > 0 ? n - 1 : 0;
    };
    std::size_t nEnd = row.size();
    if (nEnd > 0) {
        const std::size_t nLast = CharStart(nEnd);
        const std::size_t nBefore = nLast > 0 ? CharStart(nLast) : nLast;
        const bool bTwo =
            nBefore < nLast && row.substr(nBefore, nLast - nBefore) == row.substr(nLast);
        nEnd = bTwo ? nBefore : nLast;
    }
    return Utf8ToCp1252(row.substr(0, nEnd)) + "@@";
}

std::string Utf8ToCp1252(std::string_view data)
{
    std::string strOut;
    strOut.reserve(data.size());
    for (std::size_t i = 0; i < data.size();) {
        const auto [cp, nLen] = DecodeUtf8(data, i);
        strOut += static_cast<char>(Cp1252Byte(cp));
        i += nLen;
    }
    return strOut;
}
