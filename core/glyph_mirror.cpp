#include "core/glyph_mirror.h"

#include <array>
#include <utility>

namespace {

using CPairs = std::initializer_list<std::pair<uint8_t, uint8_t>>;

// Pairs are listed once; the table holds them both ways round.
constexpr CPairs LEFT_RIGHT_PAIRS = {
    {'/', '\\'}, {'(', ')'}, {'[', ']'}, {'{', '}'}, {'<', '>'},
    {'b', 'd'},  {'p', 'q'}, {'`', '\''},
    {0x8B, 0x9B}, // single angle quotes
    {0xAB, 0xBB}, // double angle quotes
};

constexpr CPairs TOP_BOTTOM_PAIRS = {
    {'/', '\\'}, {'^', 'v'}, {'\'', '.'}, {'`', ','}, {'M', 'W'},
    {'n', 'u'},  {'b', 'p'}, {'d', 'q'},  {'_', 0xAF},
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
