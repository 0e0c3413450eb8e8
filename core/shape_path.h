// What the shape tools compute without drawing: the cells of a pending shape
// kept by key, the shape shifted as a whole, the segments a flattened path is
// drawn in, and the four edges of a rectangle.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory_resource>

// The cells of a pending shape: key (row << 16) | col, both 16-bit, so that
// iteration runs row by row; a later entry for a cell replaces the earlier.
// Its nodes come from a memory resource, so a preview rebuilt on every mouse
// move can reuse the last one's instead of allocating one per cell.
using CPreviewMap = std::pmr::map<uint32_t, uint8_t>;

inline uint32_t PreviewKey(int nCol, int nRow)
{
    return (static_cast<uint32_t>(nRow & 0xFFFF) << 16) | static_cast<uint32_t>(nCol & 0xFFFF);
}
inline int PreviewCol(uint32_t nKey) { return static_cast<int>(nKey & 0xFFFF); }
inline int PreviewRow(uint32_t nKey) { return static_cast<int>(nKey >> 16); }

// The map shifted by (nDCol, nDRow); cells that would leave the grid of
// nCols x nRows are dropped.
CPreviewMap ShiftPreview(const CPreviewMap& map, int nDCol, int nDRow, int nCols, int nRows);

// Calls fnSegment(i, j) for the segments a flattened path of nPoints points
// is drawn in: from point i to point i + nStride for i = 0, nStride, ...
// while i < nPoints - 1, the last one moved back to end exactly at the last
// point. A path too short for one whole segment is drawn as one segment from
// its first point to its last, rather than from an index below zero.
template <class TFn>
void ForEachPathSegment(int nPoints, int nStride, TFn&& fnSegment)
{
    if (nPoints <= 0 || nStride <= 0)
        return;
    const int nLast = nPoints - 1;
    if (nLast < nStride) {
        fnSegment(0, nLast);
        return;
    }
    for (int i = 0; i < nLast; i += nStride) {
        if (i + nStride > nLast)
            i = nLast - nStride;
        fnSegment(i, i + nStride);
    }
}

struct CShapeEdge {
    int nX0, nY0, nX1, nY1;
};

// The four edges of a rectangle of canvas pixels (right and bottom
// exclusive), clockwise from the top-left, each starting where the previous
// one ended. In cells: the outer cells' corners, for the stepped cell line,
// whose excluded end writes every corner once. In pixels: the outer cells'
// centres, for the auto-draw line; the last edge stops a cell short of the
// top-left corner, so that corner keeps the top edge's character.
std::array<CShapeEdge, 4> RectangleCellEdges(int nLeft, int nTop, int nRight, int nBottom,
                                             int nCellW, int nCellH);
std::array<CShapeEdge, 4> RectangleAutoEdges(int nLeft, int nTop, int nRight, int nBottom,
                                             int nCellW, int nCellH);
