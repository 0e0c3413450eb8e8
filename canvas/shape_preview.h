// The pending shape of the line, curve, rectangle and ellipse tools: its
// cells by key, drawn into the view's overlay layer and never into the cells
// until CommitPreview writes them as one undo step in the colour captured
// when the shape was started, re-anchored or moved (m_crShape). The view owns
// one for its lifetime, so a shape stays pending across tool changes of the
// main window's bookkeeping (a zoom) until the next commit writes it.
#pragma once

#include "core/auto_line.h"
#include "core/char_cell.h"
#include "core/shape_path.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <memory_resource>

class CToolContext;
class QPainterPath;

class CShapePreview {
public:
    explicit CShapePreview(CToolContext& ctx) : m_ctx(ctx) {}
    CShapePreview(const CShapePreview&) = delete;
    CShapePreview& operator=(const CShapePreview&) = delete;

    bool IsPending() const { return !m_mapPreview.empty(); }

    // Starts a redraw from scratch: the overlay cleared to the key colour and
    // the preview emptied.
    void Restart();
    // One preview cell: its entry (replacing an earlier one) and its
    // character drawn in the overlay in m_crShape, the colour it will be
    // written in, on m_crBack. Cells off the canvas are skipped. Under the
    // drawing state's mirror the cell's images are set too.
    void SetCell(int nCol, int nRow, uint8_t ch);
    // Corner smoothing took the cell away: no entry, a space in the overlay
    // (and so for its mirror images).
    void RemoveCell(int nCol, int nRow);

    // Additions to the preview (nothing cleared, no guide, no refresh): the
    // stepped cell line with the view's brush and the left button's
    // character, and the auto-draw line between canvas pixels.
    void AddCellLine(int nCol0, int nRow0, int nCol1, int nRow1);
    void AddAutoLine(int nX0, int nY0, int nX1, int nY1);
    // A flattened path drawn in segments of nStride points, each an auto-draw
    // line with auto draw on, else a cell line between the points' cells.
    // False when the path could not be flattened (nothing drawn).
    bool AddPath(const QPainterPath& path, int nStride);

    // The shapes from scratch, without a refresh.
    void DrawCurve(const std::array<QPoint, 4>& aCells);
    void DrawRectangle(const QRect& rcPixels);
    void DrawEllipse(const QRect& rcPixels);

    // The preview shifted by a cell offset into m_mapMoved and drawn alone
    // in the overlay in m_crShape; AcceptMove makes it the preview.
    void MovePreview(int nDCol, int nDRow);
    void AcceptMove();
    // The preview's cells drawn again, into an overlay made anew (new layers
    // after a zoom), at the cell size of now.
    void Redraw();
    // While a shape is dragged out: cells, line guide and handles outside
    // rcCanvas (null: none) are left out of the overlay, never out of the
    // map, so a move costs what the window shows. CompleteOverlay draws
    // what was left out and ends the clip; the gesture's end calls it.
    void ClipTo(const QRect& rcCanvas) { m_rcClip = rcCanvas; }
    void CompleteOverlay();

    // Guides and handles in the overlay: a dotted near-black line or Bezier
    // curve through the cells' centres, a 4 x 4 handle at each. Returns the
    // handles' rectangles in the order given.
    std::array<QRect, 2> DrawLineGuide(QPoint ptStart, QPoint ptEnd);
    std::array<QRect, 4> DrawCurveGuide(const std::array<QPoint, 4>& aCells);
    QPoint CellCentre(QPoint ptCell) const;

    // Writes the pending shape as one undo step, empties both maps, redraws
    // everything and renews the thumbnail. Nothing happens without a shape
    // beyond clearing the overlay.
    void CommitPreview();
    // Writes the pending shape into pCells, a copy of the current frame's
    // cells, as CommitPreview would; the shape stays pending.
    void CommitInto(CharCell* pCells) const;
    // Both maps emptied without writing (a new drawing, a paste's scratch use).
    void Forget();

    CAutoLine& AutoLine() { return m_autoLine; }

private:
    // The maps' nodes, kept for reuse when the maps are emptied.
    std::pmr::unsynchronized_pool_resource m_nodes;

public:
    CPreviewMap m_mapPreview{&m_nodes};
    CPreviewMap m_mapMoved{&m_nodes};
    COLORREF m_crShape = 0x010101;

private:
    void DrawGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr);
    void ChangeCell(int nCol, int nRow, uint8_t ch, bool bRemove);
    QRect HandleRect(QPoint ptCell) const;
    template <size_t N>
    std::array<QRect, N> DrawGuide(const QPainterPath& path, const std::array<QPoint, N>& aCells);

    bool IsClippedOut(const QRect& rc) const { return !m_rcClip.isNull() && !m_rcClip.intersects(rc); }

    CToolContext& m_ctx;
    CAutoLine m_autoLine;
    QRect m_rcClip;          // see ClipTo
    bool m_bLeftOut = false; // something was left out of the overlay by the clip
    bool m_bLineGuide = false;
    QPoint m_aLineGuide[2];  // the cells of the last line guide, drawn again by CompleteOverlay
};
