// The mirror table's shape: every mapping undoes itself, and a few pairs and
// non-pairs read as the user expects. Whether a pair really looks mirrored is
// measured against the canvas font in the canvas tests.
#include "core/glyph_mirror.h"

#include <gtest/gtest.h>

namespace {
constexpr EMirrorAxis AXES[] = {EMirrorAxis::LeftRight, EMirrorAxis::TopBottom};

TEST(GlyphMirror, EveryMappingIsItsOwnInverse)
{
    for (EMirrorAxis nAxis : AXES) {
        for (int ch = 0; ch < 256; ++ch) {
            const uint8_t chMirror = MirrorGlyph(static_cast<uint8_t>(ch), nAxis);
            EXPECT_EQ(MirrorGlyph(chMirror, nAxis), ch) << "axis " << int(nAxis) << " char " << ch;
        }
    }
}

TEST(GlyphMirror, KnownPairsAndLoneCharacters)
{
    struct CCase {
        EMirrorAxis nAxis;
        uint8_t ch;
        uint8_t chWant;
    };
    const CCase cases[] = {
        {EMirrorAxis::LeftRight, '/', '\\'}, {EMirrorAxis::LeftRight, '(', ')'},
        {EMirrorAxis::LeftRight, 'b', 'd'},  {EMirrorAxis::LeftRight, 0xAB, 0xBB},
        {EMirrorAxis::LeftRight, 'n', 'n'},  {EMirrorAxis::LeftRight, ' ', ' '},
        {EMirrorAxis::TopBottom, '/', '\\'}, {EMirrorAxis::TopBottom, 'b', 'p'},
        {EMirrorAxis::TopBottom, 'M', 'W'},  {EMirrorAxis::TopBottom, 'n', 'u'},
        {EMirrorAxis::TopBottom, '(', '('},  {EMirrorAxis::TopBottom, 0, 0},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(MirrorGlyph(c.ch, c.nAxis), c.chWant) << "char " << int(c.ch);
}
} // namespace
