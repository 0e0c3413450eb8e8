// Cell algorithms shared by the drawing tools: the square brush, the stepped
// cell line, flood fill and picking a character. They know nothing of views
// or undo; they read and write a grid through ICellWriter, so the canvas view,
// a shape preview or a test fake can stand behind it.
#pragma once

#include "core/char_cell.h"

#include <cstdint>

class ICellWriter {
public:
    virtual ~ICellWriter() = default;
    virtual int Cols() const = 0;
    virtual int Rows() const = 0;
    // Callers stay inside 0 .. Cols() - 1, 0 .. Rows() - 1.
    virtual uint8_t GetChar(int nCol, int nRow) const = 0;
    virtual COLORREF GetColor(int nCol, int nRow) const = 0;
    virtual void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) = 0;
};

inline constexpr int MIN_BRUSH_WIDTH = 1;
inline constexpr int MAX_BRUSH_WIDTH = 10;
inline constexpr uint8_t CH_SPACE = ' ';

// Offsets a brush of width w covers on each axis: from -(w / 2) up to, not
// including, w / 2 as a real number; even widths reach one cell further left
// and up. Widths outside 1 .. 10 are clamped.
struct CBrushSpan {
    int nFirst;
    int nLast; // inclusive
};
CBrushSpan BrushSpan(int nWidth);

// Writes the brush square centred on (nCol, nRow); cells off the grid are skipped.
void ApplyBrush(ICellWriter& grid, int nCol, int nRow, int nWidth, uint8_t ch, COLORREF cr);

// The stepping of a line over dx, dy: n is the longer axis' distance, the
// longer axis steps by its sign and the other by its distance / n (times its
// sign), as 32-bit floats. A line of no length has n = 0 and no steps.
struct CLineSteps {
    int nSteps;
    float fStepX;
    float fStepY;
};
CLineSteps LineSteps(int nDx, int nDy);

// Calls fnPoint(col, row) for the n points of the stepped line from
// (c0, r0) towards (c1, r1), where n is the longer axis' distance: the end
// cell itself is left out, so chained lines meet without writing a corner
// twice, and a line from a cell to itself has no points. The steps are
// 32-bit floats and each point is truncated towards zero.
template <class TFn>
void ForEachLinePoint(int nCol0, int nRow0, int nCol1, int nRow1, TFn&& fnPoint)
{
    const CLineSteps steps = LineSteps(nCol1 - nCol0, nRow1 - nRow0);
    for (int i = 0; i < steps.nSteps; ++i) {
        const float fI = static_cast<float>(i);
        fnPoint(static_cast<int>(static_cast<float>(nCol0) + fI * steps.fStepX),
                static_cast<int>(static_cast<float>(nRow0) + fI * steps.fStepY));
    }
}

// The brush applied at every point of the stepped line.
void DrawCellLine(ICellWriter& grid, int nCol0, int nRow0, int nCol1, int nRow1, int nWidth,
                  uint8_t ch, COLORREF cr);

// True when a fill with ch started at (nCol, nRow) would change something:
// the cell lies on the grid and holds a space, and ch is not a space (a space
// fill would never stop, every filled cell matching again).
bool CanFloodFill(const ICellWriter& grid, int nCol, int nRow, uint8_t ch);

// Fills the 4-connected region of space cells around (nCol, nRow) with ch;
// each filled cell keeps its colour. Returns the number of cells filled.
int FloodFill(ICellWriter& grid, int nCol, int nRow, uint8_t ch);

// The printable ASCII character (32 .. 126) of a cell, or 0 when the cell
// holds another byte or lies off the grid.
uint8_t PickableChar(const ICellWriter& grid, int nCol, int nRow);
