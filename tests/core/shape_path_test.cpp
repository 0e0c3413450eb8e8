// The pure parts of the shape tools: segments over a flattened path, a
// pending shape shifted off the grid, and the rectangle's chained edges.
#include "core/cell_algorithms.h"
#include "core/shape_path.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {
using Segments = std::vector<std::pair<int, int>>;

Segments SegmentsOf(int nPoints, int nStride)
{
    Segments v;
    ForEachPathSegment(nPoints, nStride, [&](int i, int j) { v.emplace_back(i, j); });
    return v;
}
} // namespace

TEST(ShapePath, SegmentsStepByTheStrideAndTheLastEndsAtTheLastPoint)
{
    struct Row {
        int nPoints, nStride;
        Segments expected;
    };
    const Row rows[] = {
        {7, 3, {{0, 3}, {3, 6}}},
        {9, 3, {{0, 3}, {3, 6}, {5, 8}}},  // moved back to end at the last point
        {5, 2, {{0, 2}, {2, 4}}},
        {6, 2, {{0, 2}, {2, 4}, {3, 5}}},
        {4, 3, {{0, 3}}},
        // Too short for a whole segment: first point to last, never below zero.
        {3, 3, {{0, 2}}},
        {2, 2, {{0, 1}}},
        {1, 3, {{0, 0}}},
        {0, 3, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SegmentsOf(row.nPoints, row.nStride), row.expected)
            << row.nPoints << " points, stride " << row.nStride;
}

TEST(ShapePath, AShiftedPreviewDropsTheCellsThatLeaveTheGridAndKeepsItsOrder)
{
    CPreviewMap map;
    for (int c = 0; c < 5; ++c)
        map[PreviewKey(c, 1)] = static_cast<uint8_t>('a' + c);
    map[PreviewKey(2, 3)] = 'z';
    const CPreviewMap moved = ShiftPreview(map, -2, 1, 10, 4);
    CPreviewMap expected;
    expected[PreviewKey(0, 2)] = 'c';
    expected[PreviewKey(1, 2)] = 'd';
    expected[PreviewKey(2, 2)] = 'e';
    EXPECT_EQ(moved, expected); // row 4 is off a 4-row grid
    EXPECT_EQ(PreviewRow(PreviewKey(79, 127)), 127);
    EXPECT_EQ(PreviewCol(PreviewKey(79, 127)), 79);
}

TEST(ShapePath, RectangleEdgesChainAndWriteEveryOutlineCellOnce)
{
    // Cells 8 x 12: a rectangle over columns 1 .. 4 and rows 2 .. 4.
    const auto edges = RectangleCellEdges(8, 24, 40, 60, 8, 12);
    std::multiset<std::pair<int, int>> written;
    for (const CShapeEdge& e : edges)
        ForEachLinePoint(e.nX0, e.nY0, e.nX1, e.nY1, [&](int c, int r) { written.emplace(c, r); });
    std::multiset<std::pair<int, int>> outline;
    for (int c = 1; c <= 4; ++c)
        outline.insert({{c, 2}, {c, 4}});
    outline.insert({{1, 3}, {4, 3}});
    EXPECT_EQ(written, outline);
    // The auto-draw edges run through the cells' centres; the last stops a
    // cell short of the start.
    const auto autoEdges = RectangleAutoEdges(8, 24, 40, 60, 8, 12);
    EXPECT_EQ(autoEdges[0].nX0, 12);
    EXPECT_EQ(autoEdges[0].nY0, 30);
    EXPECT_EQ(autoEdges[2].nY1, 54);
    EXPECT_EQ(autoEdges[3].nY1, 42);
}
