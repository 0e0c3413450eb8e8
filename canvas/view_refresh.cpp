// CArtView: drawing the cells into the text layer, composing the layers,
// painting, the thumbnail, printing and clearing a frame.
#include "canvas/art_view.h"

#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"
#include "canvas/thumbnail_renderer.h"
#include "canvas/view_host.h"
#include "canvas/view_layers.h"
#include "core/backup_store.h"
#include "core/edit_bracket.h"
#include "res/app_strings.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

QImage& CArtView::TextLayer()
{
    DrawUndrawn(QRect(QPoint(0, 0), m_geom.CanvasSize()));
    return m_pLayers->m_imgText;
}
QImage& CArtView::OverlayLayer()
{
    m_pLayers->MarkOverlayAll();
    return m_pLayers->m_imgOverlay;
}
const QImage& CArtView::Overlay() const { return m_pLayers->m_imgOverlay; }

QImage& CArtView::OverlayMarked(const QRect& rcDirty)
{
    m_pLayers->MarkOverlay(rcDirty);
    return m_pLayers->m_imgOverlay;
}

void CArtView::MarkOverlayLine(QPoint pt0, QPoint pt1)
{
    // A cosmetic line strays at most a pixel from the ideal one.
    m_pLayers->MarkOverlayLine(pt0, pt1, 3);
}

void CArtView::DrawGlyph(QImage& img, int nX, int nY, uint8_t ch, COLORREF cr)
{
    m_pGlyphs->SetBackground(ColorRefToRgb(m_crBack));
    m_pGlyphs->Draw(img, nX, nY, ch, ColorRefToRgb(cr));
}

void CArtView::DrawOverlayGlyph(int nCol, int nRow, uint8_t ch, COLORREF cr)
{
    const QPoint pt(nCol * m_geom.CellWidth(), nRow * m_geom.CellHeight());
    m_pLayers->MarkOverlay(QRect(pt, QSize(m_geom.CellWidth(), m_geom.CellHeight())));
    m_pGlyphs->SetBackground(ColorRefToRgb(m_crBack));
    m_pGlyphs->Draw(m_pLayers->m_imgOverlay, pt.x(), pt.y(), ch, ColorRefToRgb(cr));
}

bool CArtView::IsOverlayInk(QPoint ptCanvas) const
{
    const QImage& img = m_pLayers->m_imgOverlay;
    if (!img.rect().contains(ptCanvas) || !m_geom.IsOnCanvas(ptCanvas))
        return false;
    return (img.pixel(ptCanvas) & 0xFFFFFFu) != 0;
}
QImage& CArtView::SelectionLayer() { return m_pLayers->m_imgSelection; }
const QImage& CArtView::GridLayer() const { return m_pLayers->GridImage(); }
const QImage& CArtView::CompositionLayer() const
{
    // Whoever reads the composition sees all of it, drawn late or not.
    const_cast<CArtView*>(this)->DrawUndrawn(QRect(QPoint(0, 0), m_geom.CanvasSize()));
    return m_pLayers->m_imgComposition;
}

void CArtView::ClearOverlay()
{
    m_pLayers->ClearOverlay();
}

void CArtView::DrawCell(int nIndex)
{
    if (!m_pCells || nIndex < 0 || nIndex >= m_geom.Rows() * m_geom.Cols())
        return;
    m_pGlyphs->SetBackground(ColorRefToRgb(m_crBack));
    const CharCell& cell = m_pCells[nIndex];
    const QPoint pt = m_geom.CellOriginAt(nIndex);
    m_pGlyphs->Draw(m_pLayers->m_imgText, pt.x(), pt.y(), cell.chChar,
                    ColorRefToRgb(cell.crColor));
    m_pOnion->MarkCell(nIndex);
}

void CArtView::DrawAllCells()
{
    if (!m_pCells) {
        // Kept layers hold the previous frame: without cells, the background.
        if (!m_rgnUndrawn.isEmpty())
            m_pLayers->m_imgText.fill(ColorRefToRgb(m_crBack));
        m_rgnUndrawn = QRegion();
        return;
    }
    m_rgnUndrawn = QRegion();
    OnionFrameChanged();
    m_pGlyphs->SetBackground(ColorRefToRgb(m_crBack));
    const CGlyphCache::CTarget target(m_pLayers->m_imgText);
    const int nCount = m_geom.Rows() * m_geom.Cols();
    // A cell is drawn where its index puts it. The positions a cell carries
    // are those of the last layout; a file may bring positions of another
    // zoom or another machine's font, and drawing there would scatter it.
    for (int i = 0; i < nCount; ++i) {
        const CharCell& cell = m_pCells[i];
        const QPoint pt = m_geom.CellOriginAt(i);
        m_pGlyphs->Draw(target, pt.x(), pt.y(), cell.chChar, ColorRefToRgb(cell.crColor));
    }
}

void CArtView::DrawUndrawn(const QRect& rcCanvas)
{
    if (m_rgnUndrawn.isEmpty())
        return;
    // Within the canvas and the layers as they are now, whatever was marked before.
    const QRegion rgnPart = m_rgnUndrawn.intersected(
        rcCanvas.intersected(QRect(QPoint(0, 0), m_geom.CanvasSize())).intersected(m_pLayers->m_imgText.rect()));
    if (rgnPart.isEmpty())
        return;
    const int nCellW = m_geom.CellWidth();
    const int nCellH = m_geom.CellHeight();
    const QRgb rgbBack = ColorRefToRgb(m_crBack);
    m_pGlyphs->SetBackground(rgbBack);
    const CGlyphCache::CTarget target(m_pLayers->m_imgText);
    for (const QRect& rc : rgnPart) {
        // Whole cells; the region only ever loses whole cells, so these lie inside it.
        const int nCol0 = rc.left() / nCellW;
        const int nCol1 = rc.right() / nCellW;
        const int nRow0 = rc.top() / nCellH;
        const int nRow1 = rc.bottom() / nCellH;
        const QRect rcCells(nCol0 * nCellW, nRow0 * nCellH, (nCol1 - nCol0 + 1) * nCellW,
                            (nRow1 - nRow0 + 1) * nCellH);
        if (!m_pCells) {
            // Kept layers hold the previous frame: without cells, the background.
            for (int y = rcCells.top(); y <= rcCells.bottom(); ++y) {
                auto* pLine = reinterpret_cast<QRgb*>(m_pLayers->m_imgText.scanLine(y));
                std::fill(pLine + rcCells.left(), pLine + rcCells.right() + 1, rgbBack);
            }
        }
        for (int nRow = nRow0; m_pCells && nRow <= nRow1; ++nRow) {
            for (int nCol = nCol0; nCol <= nCol1; ++nCol) {
                const CharCell& cell = m_pCells[nRow * m_geom.Cols() + nCol];
                m_pGlyphs->Draw(target, nCol * nCellW, nRow * nCellH, cell.chChar,
                                ColorRefToRgb(cell.crColor));
                m_pOnion->MarkCell(nRow * m_geom.Cols() + nCol);
            }
        }
        m_rgnUndrawn -= rcCells;
        ComposeCommon(rcCells, false);
    }
}

QRect CArtView::VisibleCanvasRect() const
{
    return QRect(QPoint(m_nScrollX, m_nScrollY), viewport()->size())
        .intersected(QRect(QPoint(0, 0), m_geom.CanvasSize()));
}

void CArtView::DrawUndrawnStep()
{
    if (m_rgnUndrawn.isEmpty())
        return;
    DrawUndrawn(VisibleCanvasRect());
    // A band of whole rows of cells about as large as the view, so a step
    // costs about one visible refresh and the event loop keeps going.
    const QRect rcLeft = m_rgnUndrawn.boundingRect();
    const qint64 nViewPixels = qint64(viewport()->width()) * std::max(1, viewport()->height());
    const int nBand = static_cast<int>(std::clamp<qint64>(nViewPixels / std::max(1, rcLeft.width()),
                                                          m_geom.CellHeight(), rcLeft.height()));
    DrawUndrawn(QRect(rcLeft.left(), rcLeft.top(), rcLeft.width(), nBand));
    if (!m_rgnUndrawn.isEmpty())
        m_timerUndrawn.start();
}

void CArtView::RebuildLayers()
{
    m_pLayers->Resize(m_geom.CanvasSize());
    m_pLayers->DrawGrid(m_geom);
    if (m_pCells) {
        // Layout data, not an edit: no undo step, no modification.
        CUnrecordedEdit edit(m_doc);
        // Refused, the cells keep the positions they had until the next
        // rebuild; nothing else depends on them.
        const int nCount = edit.CanWrite() ? m_geom.Rows() * m_geom.Cols() : 0;
        for (int i = 0; i < nCount; ++i) {
            const QPoint pt = m_geom.CellOriginAt(i);
            CharCell& cell = m_pCells[i];
            // Writing only what differs leaves unchanged pages uncopied.
            if (cell.nX != pt.x())
                cell.nX = pt.x();
            if (cell.nY != pt.y())
                cell.nY = pt.y();
        }
    }
    // The new overlay is blank: a pending shape is drawn into it again.
    m_shapes.Redraw();
    DrawAllLater();
}

void CArtView::DrawAllLater()
{
    m_rgnUndrawn = QRegion(QRect(QPoint(0, 0), m_geom.CanvasSize()));
    m_timerUndrawn.start();
    viewport()->update();
}

// The text layer, the overlay while shown (if wanted) and the grid while
// shown, over rcPart of the composition surface in one pass. A pending shape
// is in the overlay and is composed on every refresh until it is written.
void CArtView::ComposeCommon(const QRect& rcPart, bool bOverlay)
{
    const bool bWithOverlay = (bOverlay && m_bOverlayShown) || m_shapes.IsPending();
    QImage& imgComp = m_pLayers->m_imgComposition;
    const QImage& imgText = TextBase(rcPart);
    if (CViewTool* pTool = GetTool(CurTool()); pTool && pTool->DrawsUnderGrid(*this)) {
        // The tool's picture (a floating block) lies between the text and the grid.
        CopyImageRect(imgComp, rcPart.topLeft(), imgText, rcPart);
        pTool->OnComposeUnderGrid(*this, imgComp, rcPart);
        if (m_bShowGrid)
            ApplyKeyRows(imgComp, rcPart, m_pLayers->m_gridRows);
        return;
    }
    // The grid is mostly key colour: its few distinct rows stay in the cache.
    ComposeLayers(imgComp, rcPart, imgText,
                  bWithOverlay ? &m_pLayers->m_imgOverlay : nullptr,
                  m_bShowGrid ? &m_pLayers->m_gridRows : nullptr);
}

void CArtView::Refresh(ERefresh nMode)
{
    const QRect rcCanvas(QPoint(0, 0), m_geom.CanvasSize());
    QImage& imgComp = m_pLayers->m_imgComposition;
    CViewTool* pTool = GetTool(CurTool());
    switch (nMode) {
    case REFRESH_ALL:
        DrawAllCells();
        ComposeCommon(rcCanvas, false);
        break;
    case REFRESH_VISIBLE: {
        // Only the visible part: a stroke's refresh costs what the window shows.
        const QRect rcPart = VisibleCanvasRect();
        if (rcPart.isEmpty())
            return;
        DrawUndrawn(rcPart);
        ComposeCommon(rcPart, true);
        if (pTool)
            pTool->OnComposeVisible(*this, imgComp, rcPart);
        // While it tracks, the tracker's frame follows the rectangle.
        if (m_tracker.IsTracking())
            m_tracker.Draw(imgComp, rcPart);
        viewport()->update(rcPart.translated(-m_nScrollX, -m_nScrollY));
        return;
    }
    case REFRESH_LAYERS:
        DrawUndrawn(rcCanvas);
        ComposeCommon(rcCanvas, true);
        break;
    default:
        return;
    }
    if (pTool)
        pTool->OnCompose(*this, imgComp);
    m_tracker.Draw(imgComp, rcCanvas);
    viewport()->update();
}

void CArtView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    const QRect rcCanvas = QRect(QPoint(0, 0), m_geom.CanvasSize()).translated(-m_nScrollX, -m_nScrollY);
    // The surround outside the canvas; the canvas itself is only copied, never redrawn here.
    const QRegion rgnSurround = QRegion(pEvent->rect()).subtracted(rcCanvas);
    for (const QRect& rc : rgnSurround)
        painter.fillRect(rc, ColorRefToQColor(CR_SURROUND));
    const QRect rcDraw = pEvent->rect().intersected(rcCanvas);
    // What comes into view is drawn before it is shown.
    DrawUndrawn(rcDraw.translated(m_nScrollX, m_nScrollY));
    if (!rcDraw.isEmpty())
        painter.drawImage(rcDraw.topLeft(), m_pLayers->m_imgComposition,
                          rcDraw.translated(m_nScrollX, m_nScrollY));
    DrawMirrorAxes(painter);
    if (CViewTool* pTool = GetTool(CurTool())) {
        painter.translate(-m_nScrollX, -m_nScrollY);
        pTool->OnPaint(*this, painter);
    }
}

QImage CArtView::MakeThumbnail() const
{
    return MakeFrameThumbnail(m_pCells);
}

QImage CArtView::MakeFrameThumbnail(const CharCell* pCells) const
{
    m_pThumbs->SetFont(CCellGeometry::ZoomFont(m_geom.GetZoom()),
                       {m_geom.CellWidth(), m_geom.CellHeight()});
    return m_pThumbs->Render(pCells, m_geom.Rows(), m_geom.Cols(), m_crBack);
}

void CArtView::OnPrint(QPainter& painter, const QRect& rcPage)
{
    const COnionPause noOnion(*this); // a drawing aid, never on paper
    const qint64 nW = m_geom.CanvasWidth();
    const qint64 nH = m_geom.CanvasHeight();
    if (nW <= 0 || nH <= 0 || rcPage.isEmpty())
        return;
    DrawUndrawn(QRect(QPoint(0, 0), m_geom.CanvasSize()));
    // A whole factor keeps every cell the same size on paper.
    const bool bPageWider = qint64(rcPage.width()) * nH > nW * rcPage.height();
    const qint64 nScale = bPageWider ? rcPage.height() / nH : rcPage.width() / nW;
    QSize szPrint(static_cast<int>(nW * nScale), static_cast<int>(nH * nScale));
    if (nScale == 0) // the canvas is larger than the page: shrink it to fit instead
        szPrint = m_geom.CanvasSize().scaled(rcPage.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(rcPage.topLeft(), szPrint), m_pLayers->m_imgComposition,
                      QRect(0, 0, static_cast<int>(nW), static_cast<int>(nH)));
}

void CArtView::Print(QPrinter* pPrinter)
{
    if (!pPrinter)
        return;
    QPainter painter;
    if (!painter.begin(pPrinter))
        return;
    OnPrint(painter, QRect(0, 0, pPrinter->width(), pPrinter->height()));
    painter.end();
}

void CArtView::ClearCanvas()
{
    if (!m_pCells)
        return;
    const auto nId = static_cast<unsigned>(m_doc.GetCurHistory());
    const int nCount = m_geom.Rows() * m_geom.Cols();
    const auto blank = [&] {
        for (int i = 0; i < nCount; ++i) {
            m_pCells[i].chChar = ' ';
            m_pCells[i].crColor = m_drawing.TextColor();
        }
    };
    // A sealed write, neither a step nor a modification: the blank frame is
    // where undo stops. It happens whole or not at all.
    if (BackupIsOpen(nId) == 0) {
        if (!BackupSucceeded(BackupFillSealed(nId, m_pCells, std::size_t(nCount) * sizeof(CharCell),
                                              [&](void*) { blank(); })))
            ReportStoreFailure(gw::IDS_EDIT_NOT_STARTED);
        return;
    }
    // Inside a step somebody opened: it is closed and sealed with the blank.
    blank();
    if (!BackupSucceeded(BackupCommit(nId)) && !BackupSucceeded(BackupCancel(nId))) {
        ReportStoreFailure(gw::IDS_EDIT_STILL_OPEN);
        return;
    }
    if (!BackupSucceeded(BackupSeal(nId)))
        ReportStoreFailure(gw::IDS_EDIT_UNRECORDED);
}
