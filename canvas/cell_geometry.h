// Cell geometry of the canvas view: the zoom level, the cell size the zoom
// font really has, and the mapping between canvas pixels and cells. Canvas
// pixels have their origin at the top-left cell's top-left corner.
#pragma once

#include <QFont>
#include <QPoint>
#include <QSize>

class CCellGeometry {
public:
    static constexpr int ZOOM_MIN = 0;
    static constexpr int ZOOM_MAX = 4;
    static constexpr int ZOOM_DEFAULT = 2;

    // The font size asked for at a zoom index (width x height in pixels);
    // the font obtained may differ, and the cells follow the font obtained.
    static QSize RequestedFontSize(int nZoom);
    // The monospace font of a zoom index.
    static QFont ZoomFont(int nZoom);

    int GetZoom() const { return m_nZoom; }
    // False, changing nothing, at the limits.
    bool ZoomIn();
    bool ZoomOut();
    void SetZoom(int nZoom);

    // Reads the cell size from the metrics of the current zoom font.
    void MeasureFont();
    // For callers that know the cell size already (tests, printing).
    void SetCellSize(int nWidth, int nHeight);
    void SetGridSize(int nRows, int nCols);

    int CellWidth() const { return m_nCellW; }
    int CellHeight() const { return m_nCellH; }
    int Rows() const { return m_nRows; }
    int Cols() const { return m_nCols; }
    int CanvasWidth() const { return m_nCols * m_nCellW; }
    int CanvasHeight() const { return m_nRows * m_nCellH; }
    QSize CanvasSize() const { return {CanvasWidth(), CanvasHeight()}; }

    // Column (x) and row (y) of a canvas pixel; floor division, so pixels left
    // of or above the canvas give negative cells.
    QPoint PixelToCell(QPoint ptCanvas) const;
    bool IsOnCanvas(QPoint ptCanvas) const;
    QPoint ClampToCanvas(QPoint ptCanvas) const;
    // Top-left pixel of a cell, and of the cell at a row-major index.
    QPoint CellOrigin(int nCol, int nRow) const { return {nCol * m_nCellW, nRow * m_nCellH}; }
    QPoint CellOriginAt(int nIndex) const;

    // A scroll position rounded down to a cell border, and kept in range.
    QPoint SnapScroll(QPoint ptScroll, QSize szViewport) const;
    // Scrollable size: the canvas plus one spare cell to the right and below.
    QSize ScrollSize() const { return {CanvasWidth() + m_nCellW, CanvasHeight() + m_nCellH}; }
    // Largest scroll position for a viewport of the given size.
    QPoint MaxScroll(QSize szViewport) const;

private:
    int m_nZoom = ZOOM_DEFAULT;
    int m_nCellW = 8;
    int m_nCellH = 12;
    int m_nRows = 0;
    int m_nCols = 0;
};
