// Mirror images of single characters: which character looks like a given one
// flipped left-right or top-bottom in the canvas font. Characters with no
// such partner map to themselves, so a flip never invents ink.
#pragma once

#include <cstdint>

enum class EMirrorAxis : uint8_t {
    LeftRight, // flipped about a vertical axis: "/" <-> "\", "(" <-> ")"
    TopBottom, // flipped about a horizontal axis: "/" <-> "\", "^" <-> "v"
};

// The character that shows ch flipped about nAxis; ch itself when none does.
// Every mapping is its own inverse: MirrorGlyph(MirrorGlyph(c, a), a) == c.
uint8_t MirrorGlyph(uint8_t ch, EMirrorAxis nAxis);
