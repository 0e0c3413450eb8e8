#include "canvas/shape_preview.h"

#include "canvas/canvas_color.h"
#include "canvas/tool_context.h"
#include "canvas/tools/view_cell_writer.h"
#include "canvas/view_host.h"
#include "core/cell_algorithms.h"
#include "core/mirror_writer.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {
constexpr COLORREF CR_HANDLE = 0x00FFFF; // yellow
constexpr int HANDLE_HALF = 2;           // handles reach 2 pixels either side of a centre

// The brush of the cell line, writing into the preview.
class CPreviewWriter : public ICellWriter {
public:
    CPreviewWriter(CShapePreview& preview, const CToolContext& ctx) : m_preview(preview), m_ctx(ctx)
    {
    }
    int Cols() const override { return m_ctx.GetCols(); }
    int Rows() const override { return m_ctx.GetRows(); }
    uint8_t GetChar(int, int) const override { return ' '; }
    COLORREF GetColor(int, int) const override { return m_ctx.GetTextColor(); }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF) override { m_preview.SetCell(nCol, nRow, ch); }

private:
    CShapePreview& m_preview;
    const CToolContext& m_ctx;
};

// The auto-draw line, writing into the preview.
class CPreviewAutoTarget : public IAutoLineTarget {
public:
    CPreviewAutoTarget(CShapePreview& preview, const CToolContext& ctx)
        : m_preview(preview), m_ctx(ctx)
    {
    }
    int Cols() const override { return m_ctx.GetCols(); }
    int Rows() const override { return m_ctx.GetRows(); }
    void WriteAuto(int nCol, int nRow, uint8_t ch) override { m_preview.SetCell(nCol, nRow, ch); }
    void ClearCorner(int nCol, int nRow) override { m_preview.RemoveCell(nCol, nRow); }

private:
    CShapePreview& m_preview;
    const CToolContext& m_ctx;
};

// Bresenham's line from pt0 to pt1 with one pixel in three lit, the first
// included: the dotted pen's pattern, without a painter on the overlay.
// Only pixels inside rcClip are written.
void DrawDottedLine(QImage& img, QPoint pt0, QPoint pt1, const QRect& rcClip, QRgb rgb)
{
    const int nDx = std::abs(pt1.x() - pt0.x());
    const int nDy = -std::abs(pt1.y() - pt0.y());
    const int nStepX = pt0.x() < pt1.x() ? 1 : -1;
    const int nStepY = pt0.y() < pt1.y() ? 1 : -1;
    const QRect rcImage = img.rect().intersected(rcClip);
    uchar* pBits = img.bits();
    const qsizetype nStride = img.bytesPerLine();
    int nErr = nDx + nDy;
    QPoint pt = pt0;
    for (int i = 0;; ++i) {
        if (i % 3 == 0 && rcImage.contains(pt))
            reinterpret_cast<QRgb*>(pBits + pt.y() * nStride)[pt.x()] = rgb;
        if (pt == pt1)
            break;
        const int nErr2 = 2 * nErr;
        if (nErr2 >= nDy) {
            nErr += nDy;
            pt.rx() += nStepX;
        }
        if (nErr2 <= nDx) {
            nErr += nDx;
            pt.ry() += nStepY;
        }
    }
}

// The part of the segment pt0-pt1 within rc, the ends moved onto it and
// rounded outwards by a pixel (the marking pads the line anyway); false when
// the segment misses rc.
bool ClipSegment(const QRect& rc, QPoint& pt0, QPoint& pt1)
{
    const double dX0 = pt0.x(), dY0 = pt0.y();
    const double dDx = pt1.x() - dX0, dDy = pt1.y() - dY0;
    double dT0 = 0, dT1 = 1;
    // Liang-Barsky: each edge limits t from one side.
    const auto edge = [&](double dP, double dQ) {
        if (dP == 0)
            return dQ >= 0;
        const double dT = dQ / dP;
        if (dP < 0)
            dT0 = std::max(dT0, dT);
        else
            dT1 = std::min(dT1, dT);
        return dT0 <= dT1;
    };
    if (!edge(-dDx, dX0 - rc.left()) || !edge(dDx, rc.right() - dX0) ||
        !edge(-dDy, dY0 - rc.top()) || !edge(dDy, rc.bottom() - dY0))
        return false;
    // A pixel further out at a cut end, so rounding never leaves a dot
    // inside rc unmarked.
    const double dStep = 1 / std::max({std::abs(dDx), std::abs(dDy), 1.0});
    const auto at = [&](double dT) {
        return QPoint(static_cast<int>(std::lround(dX0 + dT * dDx)),
                      static_cast<int>(std::lround(dY0 + dT * dDy)));
    };
    const QPoint ptIn0 = dT0 > 0 ? at(std::max(0.0, dT0 - dStep)) : pt0;
    const QPoint ptIn1 = dT1 < 1 ? at(std::min(1.0, dT1 + dStep)) : pt1;
    pt0 = ptIn0;
    pt1 = ptIn1;
    return true;
}

void FillLayerRect(QImage& img, const QRect& rc, QRgb rgb)
{
    const QRect rcIn = rc.intersected(img.rect());
    for (int y = rcIn.top(); y <= rcIn.bottom(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(img.scanLine(y));
        std::fill(pLine + rcIn.left(), pLine + rcIn.right() + 1, rgb);
    }
}

QPen GuidePen()
{
    QPen pen(ColorRefToQColor(CR_NEAR_BLACK));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}
} // namespace

void CShapePreview::Restart()
{
    m_ctx.ClearOverlay();
    m_mapPreview.clear();
    m_bLeftOut = false;
    m_bLineGuide = false;
}

void CShapePreview::DrawGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr)
{
    if (!m_rcClip.isNull()) {
        const int nCellW = m_ctx.GetCellWidth();
        const int nCellH = m_ctx.GetCellHeight();
        if (IsClippedOut(QRect(nCol * nCellW, nRow * nCellH, nCellW, nCellH))) {
            m_bLeftOut = true;
            return;
        }
    }
    m_ctx.DrawOverlayGlyph(nCol, nRow, ch, cr);
}

void CShapePreview::CompleteOverlay()
{
    const QRect rcDrawn = std::exchange(m_rcClip, QRect());
    if (!std::exchange(m_bLeftOut, false))
        return;
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    for (const auto& [nKey, ch] : m_mapPreview) {
        const int nCol = PreviewCol(nKey);
        const int nRow = PreviewRow(nKey);
        if (!rcDrawn.intersects(QRect(nCol * nCellW, nRow * nCellH, nCellW, nCellH)))
            DrawGlyph(nCol, nRow, ch, m_crShape);
    }
    // The guide lies over the cells: drawn again whole, the same pixels
    // where it was drawn already.
    if (m_bLineGuide)
        DrawLineGuide(m_aLineGuide[0], m_aLineGuide[1]);
}

void CShapePreview::SetCell(int nCol, int nRow, uint8_t ch)
{
    ChangeCell(nCol, nRow, ch, false);
}

void CShapePreview::RemoveCell(int nCol, int nRow)
{
    ChangeCell(nCol, nRow, ' ', true);
}

void CShapePreview::ChangeCell(int nCol, int nRow, uint8_t ch, bool bRemove)
{
    if (nCol < 0 || nRow < 0 || nCol >= m_ctx.GetCols() || nRow >= m_ctx.GetRows())
        return;
    const auto change = [&](int nC, int nR, uint8_t chCell) {
        if (bRemove)
            m_mapPreview.erase(PreviewKey(nC, nR));
        else
            m_mapPreview[PreviewKey(nC, nR)] = chCell;
        DrawGlyph(nC, nR, chCell, m_crShape);
    };
    change(nCol, nRow, ch);
    // The mirror's images join the preview, so the shape is written as shown.
    const CMirror mirror(m_ctx.Drawing().Mirror(), m_ctx.GetCols(), m_ctx.GetRows());
    const CMirrorImages images = mirror.ImagesOf(nCol, nRow, ch);
    for (int i = 0; i < images.nCount; ++i)
        change(images.a[i].nCol, images.a[i].nRow, images.a[i].ch);
}

void CShapePreview::AddCellLine(int nCol0, int nRow0, int nCol1, int nRow1)
{
    CPreviewWriter writer(*this, m_ctx);
    const uint8_t ch = m_ctx.Drawing().ButtonChar();
    ::DrawCellLine(writer, nCol0, nRow0, nCol1, nRow1, m_ctx.Drawing().BrushWidth(), ch,
                   m_ctx.GetTextColor());
}

void CShapePreview::AddAutoLine(int nX0, int nY0, int nX1, int nY1)
{
    CPreviewAutoTarget target(*this, m_ctx);
    m_autoLine.Draw(target, nX0, nY0, nX1, nY1, m_ctx.GetCellWidth(), m_ctx.GetCellHeight());
}

bool CShapePreview::AddPath(const QPainterPath& path, int nStride)
{
    const QList<QPolygonF> vPolys = path.toSubpathPolygons();
    if (vPolys.isEmpty() || vPolys.front().isEmpty())
        return false;
    const QPolygonF& poly = vPolys.front();
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    const auto pixel = [&](int i) {
        const QPointF& pt = poly[i];
        return QPoint(static_cast<int>(pt.x()), static_cast<int>(pt.y()));
    };
    ForEachPathSegment(static_cast<int>(poly.size()), nStride, [&](int i, int j) {
        const QPoint pt0 = pixel(i);
        const QPoint pt1 = pixel(j);
        if (m_ctx.Drawing().IsAutoDraw())
            AddAutoLine(pt0.x(), pt0.y(), pt1.x(), pt1.y());
        else
            AddCellLine(pt0.x() / nCellW, pt0.y() / nCellH, pt1.x() / nCellW, pt1.y() / nCellH);
    });
    return true;
}

void CShapePreview::DrawCurve(const std::array<QPoint, 4>& aCells)
{
    Restart();
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    const auto corner = [&](QPoint ptCell) {
        return QPointF(ptCell.x() * nCellW, ptCell.y() * nCellH);
    };
    QPainterPath path(corner(aCells[0]));
    path.cubicTo(corner(aCells[1]), corner(aCells[2]), corner(aCells[3]));
    AddPath(path, 3);
}

void CShapePreview::DrawEllipse(const QRect& rcPixels)
{
    Restart();
    // Inscribed in the rectangle's pixels: its right and bottom edges are
    // exclusive, so the last pixel column and row are one short of them.
    QPainterPath path;
    path.addEllipse(QRectF(rcPixels.left(), rcPixels.top(), rcPixels.width() - 1,
                           rcPixels.height() - 1));
    AddPath(path, 2);
}

void CShapePreview::DrawRectangle(const QRect& rcPixels)
{
    Restart();
    const int nLeft = rcPixels.left();
    const int nTop = rcPixels.top();
    const int nRight = nLeft + rcPixels.width();
    const int nBottom = nTop + rcPixels.height();
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    if (m_ctx.Drawing().IsAutoDraw()) {
        for (const CShapeEdge& e : RectangleAutoEdges(nLeft, nTop, nRight, nBottom, nCellW, nCellH))
            AddAutoLine(e.nX0, e.nY0, e.nX1, e.nY1);
    } else {
        for (const CShapeEdge& e : RectangleCellEdges(nLeft, nTop, nRight, nBottom, nCellW, nCellH))
            AddCellLine(e.nX0, e.nY0, e.nX1, e.nY1);
    }
}

void CShapePreview::MovePreview(int nDCol, int nDRow)
{
    m_mapMoved = ShiftPreview(m_mapPreview, nDCol, nDRow, m_ctx.GetCols(), m_ctx.GetRows());
    m_ctx.ClearOverlay();
    for (const auto& [nKey, ch] : m_mapMoved)
        DrawGlyph(PreviewCol(nKey), PreviewRow(nKey), ch, m_crShape);
}

void CShapePreview::AcceptMove()
{
    m_mapPreview = m_mapMoved;
}

void CShapePreview::Redraw()
{
    m_rcClip = QRect();
    m_bLeftOut = false;
    for (const auto& [nKey, ch] : m_mapPreview)
        DrawGlyph(PreviewCol(nKey), PreviewRow(nKey), ch, m_crShape);
}

QPoint CShapePreview::CellCentre(QPoint ptCell) const
{
    const int nCellW = m_ctx.GetCellWidth();
    const int nCellH = m_ctx.GetCellHeight();
    return {ptCell.x() * nCellW + nCellW / 2, ptCell.y() * nCellH + nCellH / 2};
}

QRect CShapePreview::HandleRect(QPoint ptCell) const
{
    const QPoint pt = CellCentre(ptCell);
    return {pt.x() - HANDLE_HALF, pt.y() - HANDLE_HALF, 2 * HANDLE_HALF, 2 * HANDLE_HALF};
}

template <size_t N>
std::array<QRect, N> CShapePreview::DrawGuide(const QPainterPath& path,
                                              const std::array<QPoint, N>& aCells)
{
    // Everything the guide covers is marked for the next clear, then drawn
    // with one painter.
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
        for (qsizetype i = 1; i < poly.size(); ++i)
            m_ctx.MarkOverlayLine(poly[i - 1].toPoint(), poly[i].toPoint());
    }
    std::array<QRect, N> aHandles;
    for (size_t i = 0; i < N; ++i) {
        aHandles[i] = HandleRect(aCells[i]);
        m_ctx.OverlayMarked(aHandles[i]);
    }
    QPainter painter(&m_ctx.OverlayMarked({}));
    painter.setPen(GuidePen());
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    for (const QRect& rc : aHandles)
        painter.fillRect(rc, ColorRefToQColor(CR_HANDLE));
    return aHandles;
}

std::array<QRect, 2> CShapePreview::DrawLineGuide(QPoint ptStart, QPoint ptEnd)
{
    // Drawn pixel by pixel: the line tool redraws its guide on every move,
    // and a painter's set-up and dashing cost more than the pixels.
    m_bLineGuide = true;
    m_aLineGuide[0] = ptStart;
    m_aLineGuide[1] = ptEnd;
    const QPoint pt0 = CellCentre(ptStart);
    const QPoint pt1 = CellCentre(ptEnd);
    const std::array<QRect, 2> aHandles = {HandleRect(ptStart), HandleRect(ptEnd)};
    // Under a clip only the part of the guide inside it is marked and drawn.
    const QRect rcDraw =
        m_rcClip.isNull() ? QRect(0, 0, m_ctx.GetCanvasWidth(), m_ctx.GetCanvasHeight()) : m_rcClip;
    QPoint ptIn0 = pt0;
    QPoint ptIn1 = pt1;
    const bool bIn = ClipSegment(rcDraw, ptIn0, ptIn1);
    if (bIn)
        m_ctx.MarkOverlayLine(ptIn0, ptIn1);
    if (!m_rcClip.isNull() && (!bIn || ptIn0 != pt0 || ptIn1 != pt1 ||
                               IsClippedOut(aHandles[0]) || IsClippedOut(aHandles[1])))
        m_bLeftOut = true;
    for (const QRect& rc : aHandles)
        m_ctx.OverlayMarked(rc.intersected(rcDraw));
    QImage& img = m_ctx.OverlayMarked({});
    DrawDottedLine(img, pt0, pt1, rcDraw, ColorRefToRgb(CR_NEAR_BLACK));
    for (const QRect& rc : aHandles)
        FillLayerRect(img, rc.intersected(rcDraw), ColorRefToRgb(CR_HANDLE));
    return aHandles;
}

std::array<QRect, 4> CShapePreview::DrawCurveGuide(const std::array<QPoint, 4>& aCells)
{
    QPainterPath path(CellCentre(aCells[0]));
    path.cubicTo(CellCentre(aCells[1]), CellCentre(aCells[2]), CellCentre(aCells[3]));
    return DrawGuide<4>(path, aCells);
}

void CShapePreview::CommitPreview()
{
    m_ctx.ClearOverlay();
    if (m_mapPreview.empty())
        return;
    {
        CToolEdit edit(m_ctx, false);
        for (const auto& [nKey, ch] : m_mapPreview)
            edit.Writer().SetCell(PreviewCol(nKey), PreviewRow(nKey), ch, m_crShape);
    }
    m_mapPreview.clear();
    m_mapMoved.clear();
    m_ctx.Refresh(CToolContext::REFRESH_ALL);
    if (IViewHost* pHost = m_ctx.Host())
        pHost->RefreshFrameThumbnail();
}

void CShapePreview::CommitInto(CharCell* pCells) const
{
    const int nCols = m_ctx.GetCols();
    const int nRows = m_ctx.GetRows();
    for (const auto& [nKey, ch] : m_mapPreview) {
        if (PreviewCol(nKey) >= nCols || PreviewRow(nKey) >= nRows)
            continue;
        CharCell& cell = pCells[PreviewRow(nKey) * nCols + PreviewCol(nKey)];
        cell.chChar = ch;
        cell.crColor = m_crShape;
    }
}

void CShapePreview::Forget()
{
    m_rcClip = QRect();
    m_bLeftOut = false;
    m_bLineGuide = false;
    m_mapPreview.clear();
    m_mapMoved.clear();
}
