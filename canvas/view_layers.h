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

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

// A mostly transparent layer kept as its distinct rows, so that a keyed copy
// of it reads a few rows that stay in the cache instead of a whole layer (the
// grid: one row of line, one row of column ends, repeated).
class CKeyRows {
public:
    void Build(const QImage& img);
    // Rows known beforehand: per row of the layer, its distinct row in
    // vPixels (nWidth pixels each) or -1 where the row is all key colour.
    void Assign(int nWidth, std::vector<int> vRowIndex, std::vector<QRgb> vPixels);
    // Row y of the layer, or null where it is all key colour or out of range.
    const QRgb* Row(int y) const
    {
        if (y < 0 || y >= RowCount() || m_vRowIndex[static_cast<size_t>(y)] < 0)
            return nullptr;
        return m_vPixels.data() +
               static_cast<size_t>(m_vRowIndex[static_cast<size_t>(y)]) * m_nWidth;
    }
    int RowCount() const { return static_cast<int>(m_vRowIndex.size()); }
    int Width() const { return m_nWidth; }

private:
    int m_nWidth = 0;
    std::vector<int> m_vRowIndex; // per row, its distinct row or -1
    std::vector<QRgb> m_vPixels;  // the distinct rows, m_nWidth each
};

// The layers' memory. A row copied from one layer into another at a
// distance that is a small multiple of 16 bytes modulo 4 KiB makes every
// read wait for the write just before it (the processor matches loads to
// pending stores by their low 12 address bits), and the allocator's
// placement puts equal-sized blocks just that far apart. So each layer has
// pages of its own, rows padded to cache lines, and its rows start at an
// offset of its own within the page, a quarter page from every other's.
constexpr size_t LAYER_PAGE = 4096;
enum ELayerOffset : int {
    OFFSET_COMPOSITION = 0,
    OFFSET_OVERLAY = 1024,
    OFFSET_TEXT = 2048,
    OFFSET_GRID = 3072,
};
// Bytes per row of a layer nWidth pixels wide.
qsizetype LayerStride(int nWidth);
// A Format_RGB32 image of size sz whose first row starts nPageOffset bytes
// into a page; every row is LayerStride apart. LAYER_BLANK: every pixel the
// key colour (its bytes zero), on fresh pages nothing has touched yet.
// LAYER_DRAWN_WHOLE: not filled, for a layer drawn whole before it is read;
// its memory may be a freed layer's, which costs no new pages.
enum ELayerStart { LAYER_BLANK, LAYER_DRAWN_WHOLE };
QImage NewLayer(QSize sz, int nPageOffset, ELayerStart start = LAYER_BLANK);

class CViewLayers {
public:
    // Canvas-sized layers; the overlay and the grid are cleared to the key
    // colour, the text layer and the composition to rgbBack. The selection
    // layer is kept.
    void Create(QSize szCanvas, QRgb rgbBack);
    // Canvas-sized layers for a drawing about to be drawn whole: new ones
    // (true) only when the size changed, the text layer and the composition
    // then left as they come, the overlay and the grid blank. Layers of the
    // same size are kept, the grid with its lines, the overlay cleared.
    bool Resize(QSize szCanvas);
    // Grid lines in 0xC8C8C8: the top pixel row of every row of cells and the
    // last pixel column of every cell that has a cell to its right. No line
    // along the canvas's bottom or right border. Nothing to do when the
    // layer already holds the lines of that geometry.
    void DrawGrid(const CCellGeometry& geom);
    // The grid layer's pixels. DrawGrid only builds m_gridRows, which is
    // all the composition reads; the layer is written from them here, on
    // first asking, so a new zoom's layer is not written whole up front.
    const QImage& GridImage();
    // Clears to the key colour what was drawn into the overlay since the
    // last clear: in each row, the spans MarkOverlay reported, not the whole
    // layer, so a preview redrawn on every mouse move costs what it covers.
    void ClearOverlay();
    void MarkOverlay(const QRect& rc);
    // Marks the pixels within nPad of a straight line from pt0 to pt1.
    void MarkOverlayLine(QPoint pt0, QPoint pt1, int nPad);
    void MarkOverlayAll();

    QImage m_imgText;
    QImage m_imgOverlay;
    QImage m_imgGrid; // read it through GridImage()
    QImage m_imgSelection;
    QImage m_imgComposition;
    CKeyRows m_gridRows; // of m_imgGrid, rebuilt by DrawGrid

private:
    void Allocate(QSize sz);
    // Widens row y's span to cover nLeft..nRight, clipped to the overlay.
    void MarkSpan(int y, int nLeft, int nRight);

    std::array<int, 4> m_aGridCells{}; // cell width, height, columns, rows the grid shows; 0s: none
    bool m_bGridImageStale = false;    // m_imgGrid lags m_gridRows
    // Per row of the overlay, up to two spans that may hold non-key pixels
    // (left > right: none), and the rows that have one. Two, so a shape's
    // two sides (an ellipse, a rectangle) do not make the whole row between
    // them one span to clear.
    struct SRowSpans {
        std::array<int, 2> aLeft{INT_MAX, INT_MAX};
        std::array<int, 2> aRight{-1, -1};
        // Adds nLeft..nRight: into a span it meets, else a free one, else the nearer.
        void Add(int nLeft, int nRight);
    };
    std::vector<SRowSpans> m_vDirty;
    int m_nDirtyTop = INT_MAX;
    int m_nDirtyBottom = -1;
};

// Copies rcSrc of src to ptDst of dst (both Format_RGB32), clipped to both images.
void CopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// The same, leaving dst unchanged wherever the source pixel is the key colour.
void KeyedCopyImageRect(QImage& dst, QPoint ptDst, const QImage& src, const QRect& rcSrc);
// rcPart of base copied to the same place in dst with the layer pOver and
// then the rows pRows over it, key pixels transparent; in one pass, each
// pixel written once. Null layers are skipped.
void ComposeLayers(QImage& dst, const QRect& rcPart, const QImage& base, const QImage* pOver,
                   const CKeyRows* pRows);
// The rows' non-key pixels inside rc over dst.
void ApplyKeyRows(QImage& dst, const QRect& rc, const CKeyRows& rows);
// The whole of src stretched to rcDst of dst, key pixels transparent.
void KeyedStretchImage(QImage& dst, const QRect& rcDst, const QImage& src);
