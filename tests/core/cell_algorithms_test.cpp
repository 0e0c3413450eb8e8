// The cell algorithms against a fake grid that records every write: which
// cells the brush covers, the stepped line and its excluded end, flood fill's
// boundaries and colours, and which characters can be picked up.
#include "core/cell_algorithms.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {
class CFakeGrid : public ICellWriter {
public:
    CFakeGrid(int nCols, int nRows)
        : m_nCols(nCols), m_nRows(nRows),
          m_vChars(static_cast<size_t>(nCols * nRows), CH_SPACE),
          m_vColors(static_cast<size_t>(nCols * nRows), 0x010101)
    {
    }
    int Cols() const override { return m_nCols; }
    int Rows() const override { return m_nRows; }
    uint8_t GetChar(int c, int r) const override { return m_vChars.at(Index(c, r)); }
    COLORREF GetColor(int c, int r) const override { return m_vColors.at(Index(c, r)); }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        // A write off the grid is a fault of the algorithm, not of the fake.
        EXPECT_TRUE(c >= 0 && r >= 0 && c < m_nCols && r < m_nRows) << c << "," << r;
        m_vChars.at(Index(c, r)) = ch;
        m_vColors.at(Index(c, r)) = cr;
        m_vWrites.emplace_back(c, r);
    }
    void Put(int c, int r, uint8_t ch, COLORREF cr = 0x010101)
    {
        m_vChars.at(Index(c, r)) = ch;
        m_vColors.at(Index(c, r)) = cr;
    }
    std::set<std::pair<int, int>> WrittenSet() const { return {m_vWrites.begin(), m_vWrites.end()}; }

    std::vector<std::pair<int, int>> m_vWrites;

private:
    size_t Index(int c, int r) const { return static_cast<size_t>(r * m_nCols + c); }
    int m_nCols;
    int m_nRows;
    std::vector<uint8_t> m_vChars;
    std::vector<COLORREF> m_vColors;
};

std::set<std::pair<int, int>> Square(int nCol0, int nRow0, int nCol1, int nRow1)
{
    std::set<std::pair<int, int>> s;
    for (int r = nRow0; r <= nRow1; ++r)
        for (int c = nCol0; c <= nCol1; ++c)
            s.emplace(c, r);
    return s;
}

std::vector<std::pair<int, int>> LinePoints(int c0, int r0, int c1, int r1)
{
    std::vector<std::pair<int, int>> v;
    ForEachLinePoint(c0, r0, c1, r1, [&](int c, int r) { v.emplace_back(c, r); });
    return v;
}
} // namespace

TEST(Brush, CoversTheDescribedSquareForEachWidth)
{
    struct Row {
        int nWidth, nFirst, nLast;
    };
    for (const Row& row : {Row{1, 0, 0}, Row{2, -1, 0}, Row{3, -1, 1}, Row{4, -2, 1},
                           Row{5, -2, 2}, Row{10, -5, 4}}) {
        CFakeGrid grid(30, 30);
        ApplyBrush(grid, 15, 15, row.nWidth, '#', 0x123456);
        EXPECT_EQ(grid.WrittenSet(),
                  Square(15 + row.nFirst, 15 + row.nFirst, 15 + row.nLast, 15 + row.nLast))
            << "width " << row.nWidth;
        EXPECT_EQ(grid.m_vWrites.size(), static_cast<size_t>(row.nWidth * row.nWidth));
        EXPECT_EQ(grid.GetColor(15, 15), 0x123456u);
    }
}

TEST(Brush, ClipsAtEveryCornerAndClampsItsWidth)
{
    CFakeGrid grid(8, 6);
    ApplyBrush(grid, 0, 0, 4, '#', 1); // -2 .. 1 around the top-left cell
    EXPECT_EQ(grid.WrittenSet(), Square(0, 0, 1, 1));
    grid.m_vWrites.clear();
    ApplyBrush(grid, 7, 5, 4, '#', 1); // the bottom-right cell reaches only up and left
    EXPECT_EQ(grid.WrittenSet(), Square(5, 3, 7, 5));
    grid.m_vWrites.clear();
    ApplyBrush(grid, 7, 0, 10, '#', 1);
    EXPECT_EQ(grid.WrittenSet(), Square(2, 0, 7, 4));
    grid.m_vWrites.clear();
    ApplyBrush(grid, 3, 3, 0, '#', 1);
    EXPECT_EQ(grid.WrittenSet(), Square(3, 3, 3, 3));
    grid.m_vWrites.clear();
    ApplyBrush(grid, 3, 3, 50, '#', 1);
    EXPECT_EQ(grid.m_vWrites.size(), 48u); // clamped to 10: the whole 8 x 6 grid
}

TEST(CellLine, WritesOnePointPerStepAndLeavesTheEndCellOut)
{
    EXPECT_TRUE(LinePoints(4, 4, 4, 4).empty());
    using V = std::vector<std::pair<int, int>>;
    EXPECT_EQ(LinePoints(2, 3, 6, 3), (V{{2, 3}, {3, 3}, {4, 3}, {5, 3}}));
    EXPECT_EQ(LinePoints(6, 3, 2, 3), (V{{6, 3}, {5, 3}, {4, 3}, {3, 3}}));
    EXPECT_EQ(LinePoints(1, 5, 1, 2), (V{{1, 5}, {1, 4}, {1, 3}}));
    EXPECT_EQ(LinePoints(0, 0, 3, 3), (V{{0, 0}, {1, 1}, {2, 2}}));
    // A shallow slope: the row step is 1/4 and each row is truncated.
    EXPECT_EQ(LinePoints(0, 0, 4, 1), (V{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    // Points are truncated, not rounded: a column step of -1/3 from column 1
    // gives 2/3 at the second point, which is column 0.
    EXPECT_EQ(LinePoints(1, 0, 0, 3), (V{{1, 0}, {0, 1}, {0, 2}}));
}

TEST(CellLine, ChainedEdgesWriteEveryCornerOnce)
{
    CFakeGrid grid(10, 10);
    const int aCorners[5][2] = {{1, 1}, {6, 1}, {6, 4}, {1, 4}, {1, 1}};
    for (int i = 0; i < 4; ++i)
        DrawCellLine(grid, aCorners[i][0], aCorners[i][1], aCorners[i + 1][0], aCorners[i + 1][1],
                     1, '*', 1);
    EXPECT_EQ(grid.m_vWrites.size(), grid.WrittenSet().size());
    EXPECT_EQ(grid.m_vWrites.size(), 16u); // the outline of 6 x 4 cells
}

TEST(CellLine, BrushAtEveryPointIsClippedNearTheEdge)
{
    CFakeGrid grid(5, 5);
    DrawCellLine(grid, 0, 0, 4, 0, 2, '#', 1);
    EXPECT_EQ(grid.WrittenSet(), Square(0, 0, 3, 0));
}

TEST(FloodFill, StopsAtAnyCharacterAndNeverGoesDiagonally)
{
    CFakeGrid grid(6, 5);
    // A wall of mixed characters around (1..2, 1..2), with gaps only at corners.
    for (int c = 1; c <= 2; ++c) {
        grid.Put(c, 0, '-');
        grid.Put(c, 3, static_cast<uint8_t>(0xA0)); // a non-breaking space is not a space
    }
    for (int r = 1; r <= 2; ++r) {
        grid.Put(0, r, '|');
        grid.Put(3, r, '\t');
    }
    EXPECT_EQ(FloodFill(grid, 1, 1, 'o'), 4);
    EXPECT_EQ(grid.WrittenSet(), Square(1, 1, 2, 2));
    EXPECT_EQ(grid.GetChar(0, 0), CH_SPACE);
}

TEST(FloodFill, KeepsEachCellsColourAndFillsTheWholeOpenGrid)
{
    CFakeGrid grid(128, 80);
    grid.Put(5, 5, ' ', 0x0000FF);
    grid.Put(6, 5, ' ', 0x00FF00);
    EXPECT_EQ(FloodFill(grid, 127, 79, '@'), 128 * 80);
    EXPECT_EQ(grid.GetChar(5, 5), '@');
    EXPECT_EQ(grid.GetColor(5, 5), 0x0000FFu);
    EXPECT_EQ(grid.GetColor(6, 5), 0x00FF00u);
    EXPECT_EQ(grid.m_vWrites.size(), grid.WrittenSet().size()); // each cell once
}

TEST(FloodFill, ASpaceFillOrANonSpaceStartOrAnOffGridStartChangesNothing)
{
    CFakeGrid grid(4, 4);
    grid.Put(2, 2, 'x');
    EXPECT_FALSE(CanFloodFill(grid, 0, 0, ' '));
    EXPECT_EQ(FloodFill(grid, 0, 0, ' '), 0);
    EXPECT_EQ(FloodFill(grid, 2, 2, 'o'), 0);
    EXPECT_EQ(FloodFill(grid, -1, 0, 'o'), 0);
    EXPECT_EQ(FloodFill(grid, 4, 0, 'o'), 0);
    EXPECT_TRUE(grid.m_vWrites.empty());
    EXPECT_EQ(grid.GetChar(2, 2), 'x');
}

TEST(Pick, TakesOnlyPrintableAsciiOnTheGrid)
{
    CFakeGrid grid(3, 1);
    grid.Put(0, 0, '~');
    grid.Put(1, 0, 127);
    grid.Put(2, 0, 0xE9);
    EXPECT_EQ(PickableChar(grid, 0, 0), '~');
    EXPECT_EQ(PickableChar(grid, 1, 0), 0);
    EXPECT_EQ(PickableChar(grid, 2, 0), 0);
    EXPECT_EQ(PickableChar(grid, 3, 0), 0);
    grid.Put(0, 0, 31);
    EXPECT_EQ(PickableChar(grid, 0, 0), 0);
    grid.Put(0, 0, ' ');
    EXPECT_EQ(PickableChar(grid, 0, 0), ' ');
}
