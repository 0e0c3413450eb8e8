// A frame as a picture: its cells drawn exactly as the canvas's text layer
// draws them (the background, each glyph in its cell's colour), with no
// grid, no tool overlay and no surround. The exports to PNG and GIF draw
// through here, so a picture shows what the canvas shows at that zoom.
#pragma once

#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "core/char_cell.h"

#include <QImage>

#include <ostream>
#include <string>
#include <vector>

// Every cell of a frame into img (Format_RGB32, at least the canvas's size)
// where its index puts it, as the view's text layer lays them out; the
// glyph cache's font and background are the caller's.
void DrawFrameCells(CGlyphCache& glyphs, const CCellGeometry& geom, const CharCell* pCells,
                    QImage& img);

// Draws frames of one size at one zoom, keeping its glyph shapes between
// frames. Needs a QGuiApplication for the font.
class CFramePicture {
public:
    CFramePicture(int nRows, int nCols, int nZoom, COLORREF crBack);

    QSize Size() const { return m_geom.CanvasSize(); }
    const CCellGeometry& Geometry() const { return m_geom; }
    QRgb Background() const { return m_glyphs.Background(); }
    // Appends the colours a cell of ch in crColor can show (see CGlyphCache::InkColors).
    void CellColors(uint8_t ch, COLORREF crColor, std::vector<QRgb>& vColors);

    // The frame's cells into img, made or remade at Size() when it is not
    // already a Format_RGB32 image of that size.
    void Render(const CharCell* pCells, QImage& img);
    QImage Render(const CharCell* pCells);

private:
    CCellGeometry m_geom;
    CGlyphCache m_glyphs;
};

// One frame as a PNG file (see png_writer.h). False, with a reason,
// when the picture cannot be encoded or the stream fails.
bool WriteFramePng(std::ostream& os, const CharCell* pCells, int nRows, int nCols, int nZoom,
                   COLORREF crBack, std::string* pError);
