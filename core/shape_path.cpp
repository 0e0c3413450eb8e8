#include "core/shape_path.h"

CPreviewMap ShiftPreview(const CPreviewMap& map, int nDCol, int nDRow, int nCols, int nRows)
{
    CPreviewMap moved;
    for (const auto& [nKey, ch] : map) {
        const int nCol = PreviewCol(nKey) + nDCol;
        const int nRow = PreviewRow(nKey) + nDRow;
        if (nCol < 0 || nRow < 0 || nCol >= nCols || nRow >= nRows)
            continue;
        // Shifting keeps the row-major order: each insert goes at the end.
        moved.emplace_hint(moved.end(), PreviewKey(nCol, nRow), ch);
    }
    return moved;
}

std::array<CShapeEdge, 4> RectangleCellEdges(int nLeft, int nTop, int nRight, int nBottom,
                                             int nCellW, int nCellH)
{
    const int l = nLeft / nCellW;
    const int t = nTop / nCellH;
    const int r = nRight / nCellW - 1;
    const int b = nBottom / nCellH - 1;
    return {{{l, t, r, t}, {r, t, r, b}, {r, b, l, b}, {l, b, l, t}}};
}

std::array<CShapeEdge, 4> RectangleAutoEdges(int nLeft, int nTop, int nRight, int nBottom,
                                             int nCellW, int nCellH)
{
    const int x0 = nLeft + nCellW / 2;
    const int y0 = nTop + nCellH / 2;
    const int x1 = nRight - nCellW / 2;
    const int y1 = nBottom - nCellH / 2;
    return {{{x0, y0, x1, y0}, {x1, y0, x1, y1}, {x1, y1, x0, y1}, {x0, y1, x0, y0 + nCellH}}};
}
