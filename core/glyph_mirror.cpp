#include "core/glyph_mirror.h"

#include <array>
#include <utility>

namespace {

using CPairs = std::initializer_list<std::pair<uint8_t, uint8_t>>;

// Pairs are listed once; the table holds them both ways round. Each pair is
// one the canvas font draws as mirror images (the canvas tests measure their
// ink): so "'" and ".", "^" and "v" or "_" and the macron, whose glyphs sit at
// different heights or sizes, are not pairs, nor are accented letters whose
// base letter is not itself symmetric.
constexpr CPairs LEFT_RIGHT_PAIRS = {
    {'/', '\\'},
    {'(', ')'},
    {'[', ']'},
    {'{', '}'},
    {'<', '>'},
    {'b', 'd'},
    {'p', 'q'},
    {'`', 0xB4},  // grave and acute accents
    {0x8B, 0x9B}, // single angle quotes
    {0xAB, 0xBB}, // double angle quotes
    // Grave and acute over a symmetric letter.
    {0xC0, 0xC1},
    {0xCC, 0xCD},
    {0xD2, 0xD3},
    {0xD9, 0xDA},
    {0xEC, 0xED},
    {0xF2, 0xF3},
    {0xF9, 0xFA},
};

constexpr CPairs TOP_BOTTOM_PAIRS = {
    {'/', '\\'}, {'M', 'W'},  {'n', 'u'}, {'b', 'p'},
    {'d', 'q'},  {'!', 0xA1}, {'A', 'V'}, {'h', 0xB5}, // micro sign: a u with its stem below
};

struct CMirrorTable {
    std::array<uint8_t, 256> aLeftRight{};
    std::array<uint8_t, 256> aTopBottom{};

    CMirrorTable()
    {
        for (int i = 0; i < 256; ++i)
            aLeftRight[i] = aTopBottom[i] = static_cast<uint8_t>(i);
        for (auto [a, b] : LEFT_RIGHT_PAIRS) {
            aLeftRight[a] = b;
            aLeftRight[b] = a;
        }
        for (auto [a, b] : TOP_BOTTOM_PAIRS) {
            aTopBottom[a] = b;
            aTopBottom[b] = a;
        }
    }
};

const CMirrorTable& Table()
{
    static const CMirrorTable table;
    return table;
}

} // namespace

uint8_t MirrorGlyph(uint8_t ch, EMirrorAxis nAxis)
{
    const CMirrorTable& t = Table();
    return nAxis == EMirrorAxis::LeftRight ? t.aLeftRight[ch] : t.aTopBottom[ch];
}
