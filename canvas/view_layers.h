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

#include <utility>
#include <vector>

// The non-key pixels of a mostly transparent layer as runs of one colour per
// row, so a colour-keyed copy of it touches only those pixels and never reads
// the layer itself (the grid: a full row every cell height, otherwise one
// pixel per column of cells).
class CKeyRuns {
public:
    struct CRun {
        int nX;
        int nLength;
        QRgb rgb;
    };
    void Build(const QImage& img);
    // The runs' pixels of row y between nLeft and nRight (inclusive) into pDstRow.
    void ApplyRow(QRgb* pDstRow, int y, int nLeft, int nRight) const;
    int RowCount() const { return static_cast<int>(m_vRowStart.size()) - 1; }

private:
    std::vector<int> m_vRowStart; // per row, its first run; one extra at the end
    std::vector<CRun> m_vRuns;
};

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
    CKeyRuns m_gridRuns; // of m_imgGrid, rebuilt by DrawGrid
};

// Copies rcSrc of src to ptDst of dst (both Format_RGB32), clipped to both images.
void CopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// The same, leaving dst unchanged wherever the source pixel is the key colour.
void KeyedCopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// rcPart of base copied to the same place in dst, then the layer pOver and
// the runs of pRuns over it, key pixels transparent; row by row, so each row
// is finished while it is in the cache. Null layers are skipped.
void ComposeLayers(QImage& dst, const QRect& rcPart, const QImage& base, const QImage* pOver,
                   const CKeyRuns* pRuns);
// The runs' pixels inside rc into dst.
void ApplyKeyRuns(QImage& dst, const QRect& rc, const CKeyRuns& runs);
// The whole of src stretched to rcDst of dst, key pixels transparent.
void KeyedStretchImage(QImage& dst, const QRect& rcDst, const QImage& src);
