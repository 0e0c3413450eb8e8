// The view's off-screen layers, all Format_RGB32 at canvas size except the
// selection layer: the text layer (every cell drawn opaquely), the overlay
// (tool previews on the key colour), the grid (lines on the key colour), the
// selection (the floating block) and the composition surface where they are
// combined before painting. Black RGB(0, 0, 0) is the key colour: pixels of
// that colour are transparent when a layer is copied over another.
#pragma once

#include "canvas/cell_geometry.h"

#include <QImage>
#include <QPoint>
#include <QRect>

class CViewLayers {
public:
    // New canvas-sized layers; the overlay and the grid are cleared to the key
    // colour, the text layer to rgbBack. The selection layer is kept.
    void Create(QSize szCanvas, QRgb rgbBack);
    // Grid lines in 0xC8C8C8: the top pixel row of every row of cells and the
    // last pixel column of every cell that has a cell to its right. No line
    // along the canvas's bottom or right border.
    void DrawGrid(const CCellGeometry& geom);
    void ClearOverlay();

    QImage m_imgText;
    QImage m_imgOverlay;
    QImage m_imgGrid;
    QImage m_imgSelection;
    QImage m_imgComposition;
};

// Copies rcSrc of src to ptDst of dst (both Format_RGB32), clipped to both images.
void CopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// The same, leaving dst unchanged wherever the source pixel is the key colour.
void KeyedCopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// The whole of src stretched to rcDst of dst, key pixels transparent.
void KeyedStretchImage(QImage& dst, const QRect& rcDst, const QImage& src);
