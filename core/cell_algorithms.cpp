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

CLineSteps LineSteps(int nDx, int nDy)
{
    const int nSx = (nDx > 0) - (nDx < 0);
    const int nSy = (nDy > 0) - (nDy < 0);
    const int nAbsDx = nDx < 0 ? -nDx : nDx;
    const int nAbsDy = nDy < 0 ? -nDy : nDy;
    CLineSteps steps{0, 0.0f, 0.0f};
    if (nAbsDx > nAbsDy) {
        steps.nSteps = nAbsDx;
        steps.fStepX = static_cast<float>(nSx);
        steps.fStepY =
            static_cast<float>(nAbsDy) / static_cast<float>(nAbsDx) * static_cast<float>(nSy);
    } else {
        steps.nSteps = nAbsDy;
        steps.fStepY = static_cast<float>(nSy);
        if (nAbsDy > 0)
            steps.fStepX =
                static_cast<float>(nAbsDx) / static_cast<float>(nAbsDy) * static_cast<float>(nSx);
    }
    return steps;
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
    // Scanline fill with an explicit stack of seeds: each seed grows into the
    // whole run of spaces on its row, and only the runs above and below that
    // run become new seeds. A whole 80 x 128 frame is one region.
    const int nCols = grid.Cols();
    const int nRows = grid.Rows();
    std::vector<std::pair<int, int>> vSeeds;
    vSeeds.emplace_back(nCol, nRow);
    int nFilled = 0;
    while (!vSeeds.empty()) {
        const auto [c, r] = vSeeds.back();
        vSeeds.pop_back();
        if (grid.GetChar(c, r) != CH_SPACE)
            continue;
        int nLeft = c;
        while (nLeft > 0 && grid.GetChar(nLeft - 1, r) == CH_SPACE)
            --nLeft;
        int nRight = c;
        while (nRight + 1 < nCols && grid.GetChar(nRight + 1, r) == CH_SPACE)
            ++nRight;
        for (int x = nLeft; x <= nRight; ++x)
            grid.SetCell(x, r, ch, grid.GetColor(x, r));
        nFilled += nRight - nLeft + 1;
        // One seed per run of spaces in the neighbouring rows, under the run
        // just filled: never diagonal, since the run's ends bound the scan.
        for (int nNext : {r - 1, r + 1}) {
            if (nNext < 0 || nNext >= nRows)
                continue;
            bool bInRun = false;
            for (int x = nLeft; x <= nRight; ++x) {
                const bool bSpace = grid.GetChar(x, nNext) == CH_SPACE;
                if (bSpace && !bInRun)
                    vSeeds.emplace_back(x, nNext);
                bInRun = bSpace;
            }
        }
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
