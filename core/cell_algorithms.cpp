#include "core/cell_algorithms.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {
bool OnGrid(const ICellWriter& grid, int nCol, int nRow)
{
    return nCol >= 0 && nRow >= 0 && nCol < grid.Cols() && nRow < grid.Rows();
}
} // namespace

CBrushSpan BrushSpan(int nWidth)
{
    const int nW = std::clamp(nWidth, MIN_BRUSH_WIDTH, MAX_BRUSH_WIDTH);
    const int nFirst = -(nW / 2);
    return {nFirst, nFirst + nW - 1};
}

void ApplyBrush(ICellWriter& grid, int nCol, int nRow, int nWidth, uint8_t ch, COLORREF cr)
{
    const CBrushSpan span = BrushSpan(nWidth);
    const int nRowFirst = std::max(nRow + span.nFirst, 0);
    const int nRowLast = std::min(nRow + span.nLast, grid.Rows() - 1);
    const int nColFirst = std::max(nCol + span.nFirst, 0);
    const int nColLast = std::min(nCol + span.nLast, grid.Cols() - 1);
    for (int r = nRowFirst; r <= nRowLast; ++r)
        for (int c = nColFirst; c <= nColLast; ++c)
            grid.SetCell(c, r, ch, cr);
}

void DrawCellLine(ICellWriter& grid, int nCol0, int nRow0, int nCol1, int nRow1, int nWidth,
                  uint8_t ch, COLORREF cr)
{
    ForEachLinePoint(nCol0, nRow0, nCol1, nRow1,
                     [&](int nCol, int nRow) { ApplyBrush(grid, nCol, nRow, nWidth, ch, cr); });
}

bool CanFloodFill(const ICellWriter& grid, int nCol, int nRow, uint8_t ch)
{
    return ch != CH_SPACE && OnGrid(grid, nCol, nRow) && grid.GetChar(nCol, nRow) == CH_SPACE;
}

int FloodFill(ICellWriter& grid, int nCol, int nRow, uint8_t ch)
{
    if (!CanFloodFill(grid, nCol, nRow, ch))
        return 0;
    // An explicit stack rather than recursion: a whole 80 x 128 frame is one region.
    // Neighbours are pushed in reverse so they are visited left, up, right, down.
    std::vector<std::pair<int, int>> vStack;
    vStack.reserve(static_cast<size_t>(grid.Cols()) * static_cast<size_t>(grid.Rows()));
    vStack.emplace_back(nCol, nRow);
    int nFilled = 0;
    while (!vStack.empty()) {
        const auto [c, r] = vStack.back();
        vStack.pop_back();
        if (!OnGrid(grid, c, r) || grid.GetChar(c, r) != CH_SPACE)
            continue;
        grid.SetCell(c, r, ch, grid.GetColor(c, r));
        ++nFilled;
        vStack.emplace_back(c, r + 1);
        vStack.emplace_back(c + 1, r);
        vStack.emplace_back(c, r - 1);
        vStack.emplace_back(c - 1, r);
    }
    return nFilled;
}

uint8_t PickableChar(const ICellWriter& grid, int nCol, int nRow)
{
    if (!OnGrid(grid, nCol, nRow))
        return 0;
    const uint8_t ch = grid.GetChar(nCol, nRow);
    return ch >= 32 && ch <= 126 ? ch : 0;
}
