// The cell record: the unit of a frame's memory, of the document file and of
// the view's block buffers. Its 16 bytes are written to files as they lie in
// memory, so the layout is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

using COLORREF = uint32_t; // 0x00BBGGRR, red in the low byte

struct CharCell {
    COLORREF crColor;   // colour the character is drawn in
    int32_t nX;         // left pixel of the cell on the view's drawing surface
    int32_t nY;         // top pixel of the cell
    uint8_t chChar;     // Windows-1252 byte; 32 (space) is an empty cell
    uint8_t reserved[3]; // unused; carried unchanged
};

static_assert(sizeof(CharCell) == 16);
static_assert(offsetof(CharCell, crColor) == 0);
static_assert(offsetof(CharCell, nX) == 4);
static_assert(offsetof(CharCell, nY) == 8);
static_assert(offsetof(CharCell, chChar) == 12);
static_assert(offsetof(CharCell, reserved) == 13);

inline constexpr int MAX_ROWS = 80;
inline constexpr int MAX_COLS = 128;
inline constexpr int DEFAULT_ROWS = 40;
inline constexpr int DEFAULT_COLS = 60;
