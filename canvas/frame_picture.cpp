#include "canvas/frame_picture.h"

#include "canvas/canvas_color.h"
#include "canvas/png_writer.h"

void DrawFrameCells(CGlyphCache& glyphs, const CCellGeometry& geom, const CharCell* pCells,
                    QImage& img)
{
    const CGlyphCache::CTarget target(img);
    const int nCount = geom.Rows() * geom.Cols();
    // By index, not by the positions the cells carry: those are the last
    // layout's and may come from another zoom or another machine's font.
    for (int i = 0; i < nCount; ++i) {
        const QPoint pt = geom.CellOriginAt(i);
        glyphs.Draw(target, pt.x(), pt.y(), pCells[i].chChar, ColorRefToRgb(pCells[i].crColor));
    }
}

CFramePicture::CFramePicture(int nRows, int nCols, int nZoom, COLORREF crBack)
{
    m_geom.SetZoom(nZoom);
    m_geom.SetGridSize(nRows, nCols);
    m_geom.MeasureFont();
    m_glyphs.SetFont(CCellGeometry::ZoomFont(m_geom.GetZoom()),
                     {m_geom.CellWidth(), m_geom.CellHeight()});
    // The view's background: pure black is its layers' key, shown as near black.
    m_glyphs.SetBackground(ColorRefToRgb(DrawingColor(crBack)));
}

void CFramePicture::Render(const CharCell* pCells, QImage& img)
{
    const QSize sz = Size().expandedTo(QSize(1, 1));
    if (img.size() != sz || img.format() != QImage::Format_RGB32)
        img = QImage(sz, QImage::Format_RGB32);
    // A drawing without cells is one background pixel rather than no picture.
    if (m_geom.Rows() * m_geom.Cols() == 0 || !pCells) {
        img.fill(m_glyphs.Background());
        return;
    }
    DrawFrameCells(m_glyphs, m_geom, pCells, img);
}

void CFramePicture::CellColors(uint8_t ch, COLORREF crColor, std::vector<QRgb>& vColors)
{
    m_glyphs.InkColors(ch, ColorRefToRgb(crColor), vColors);
}

QImage CFramePicture::Render(const CharCell* pCells)
{
    QImage img;
    Render(pCells, img);
    return img;
}

bool WriteFramePng(std::ostream& os, const CharCell* pCells, int nRows, int nCols, int nZoom,
                   COLORREF crBack, std::string* pError)
{
    CFramePicture picture(nRows, nCols, nZoom, crBack);
    return WritePng(os, picture.Render(pCells), PNG_EXPORT_FILTER, pError);
}
