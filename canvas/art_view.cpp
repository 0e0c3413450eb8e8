// CArtView: construction and settings, layout, the write path, scrolling and
// zoom. Tools and cursors are in view_tools.cpp, event routing in
// view_events.cpp, drawing and composition in view_refresh.cpp.
#include "canvas/art_view.h"

#include "canvas/canvas_color.h"
#include "canvas/glyph_cache.h"
#include "canvas/thumbnail_renderer.h"
#include "canvas/view_host.h"
#include "canvas/view_layers.h"
#include "core/backup_store.h"
#include "res/app_strings.h"
#include "ui/message_box.h"
#include "ui/settings_value.h"

#include <QScrollBar>
#include <QSettings>
#include <QWheelEvent>

#include <algorithm>

namespace {
const QString GROUP_COLOR = QStringLiteral("GWColor");
const QString KEY_TEXT = QStringLiteral("FTCLR");
const QString KEY_BACK = QStringLiteral("BKCLR");
} // namespace

CArtView::CArtView(CArtDoc& doc, IViewHost* pHost, QWidget* pParent)
    : QAbstractScrollArea(pParent),
      m_doc(doc),
      m_pHost(pHost),
      m_pLayers(std::make_unique<CViewLayers>()),
      m_pGlyphs(std::make_unique<CGlyphCache>()),
      m_pThumbs(std::make_unique<CThumbnailRenderer>()),
      m_pOnion(std::make_unique<COnionSkin>())
{
    QSettings settings;
    m_drawing.SetTextColor(ReadSettingU32(settings, GROUP_COLOR, KEY_TEXT, CR_NEAR_BLACK));
    m_crBack = DrawingColor(ReadSettingU32(settings, GROUP_COLOR, KEY_BACK, 0xFFFFFF));

    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_geom.SetGridSize(m_doc.GetRows(), m_doc.GetCols());
    m_geom.MeasureFont();
    m_pGlyphs->SetFont(CCellGeometry::ZoomFont(m_geom.GetZoom()),
                       {m_geom.CellWidth(), m_geom.CellHeight()});
    m_pLayers->Create(m_geom.CanvasSize(), ColorRefToRgb(m_crBack));
    m_timerUndrawn.setSingleShot(true);
    m_timerUndrawn.setInterval(0);
    connect(&m_timerUndrawn, &QTimer::timeout, this, &CArtView::DrawUndrawnStep);
    m_doc.AddListener(this);
}

CArtView::~CArtView()
{
    m_doc.RemoveListener(this);
    WriteColorSettings();
}

// Written at each change, so a crash does not take the colours back to the
// previous run's.
void CArtView::WriteColorSettings() const
{
    QSettings settings;
    WriteSettingU32(settings, GROUP_COLOR, KEY_TEXT, m_drawing.TextColor());
    WriteSettingU32(settings, GROUP_COLOR, KEY_BACK, m_crBack);
    settings.sync();
}

void CArtView::ResetForDrawing()
{
    if (m_pHost)
        m_pHost->ShowRulers();
    m_geom.SetGridSize(m_doc.GetRows(), m_doc.GetCols());
    LayoutCells();
    // Whatever the tools had pending belongs to the previous drawing.
    for (auto& pTool : m_tools) {
        if (pTool)
            pTool->Deactivate(*this);
    }
    m_nActiveTool = CurTool();
    m_ptLastCell = {-1, -1};
    m_rcSelection = {};
    m_bOverlayShown = false;
    // A shape still pending was written by the tool change that came before
    // the new drawing (New and Open choose the plain cursor first); what is
    // left here would land in the new drawing's cells, so it is forgotten.
    m_shapes.Forget();
    m_selection.Forget();
    m_tracker.Empty();
    m_pCells = m_doc.GetCurCells();
}

void CArtView::OnInitialUpdate()
{
    ResetForDrawing();
    ClearCanvas();
    RebuildLayers();
    if (m_pCells) {
        const int nKey = m_doc.RegisterFrame();
        if (m_pHost)
            m_pHost->AddFirstFrame(nKey, MakeThumbnail());
    }
    viewport()->update();
    if (m_pHost)
        m_pHost->RefreshFrameThumbnail();
}

void CArtView::OnDrawingLoaded()
{
    ResetForDrawing();
    // The cells keep the positions the file stored: a save right after
    // opening writes the file back unchanged. They are drawn as they are
    // seen, the visible part at the first paint, so a large drawing's
    // first picture waits for no more than the window shows.
    m_pLayers->Resize(m_geom.CanvasSize());
    m_pLayers->DrawGrid(m_geom);
    OnionFrameChanged();
    DrawAllLater();
}

void CArtView::LayoutCells()
{
    m_geom.MeasureFont();
    m_pGlyphs->SetFont(CCellGeometry::ZoomFont(m_geom.GetZoom()),
                       {m_geom.CellWidth(), m_geom.CellHeight()});
    m_pThumbs->SetFont(CCellGeometry::ZoomFont(m_geom.GetZoom()),
                       {m_geom.CellWidth(), m_geom.CellHeight()});
    UpdateScrollBars();
    ScrollTo(0, 0);
    for (auto& pTool : m_tools) {
        if (pTool)
            pTool->OnLayoutChanged(*this);
    }
    if (m_pHost)
        m_pHost->UpdateRulers(IViewHost::RULER_LAYOUT, RulerState());
    m_bLayoutDone = true;
}

void CArtView::SetCells(CharCell* pCells)
{
    // A stroke belongs to the frame it started on: it ends there, committed
    // on that frame's history, rather than going on into the new frame.
    if (pCells != m_pCells) {
        EndGesture();
        // Frame changes write a pending shape and drop a floating block
        // first (EndPendingEdit); what is left now would land in the new frame.
        m_shapes.Forget();
        m_selection.Forget();
    }
    m_pCells = pCells;
}

bool CArtView::BeginEdit()
{
    if (m_edit.BeginEdit())
        return true;
    // Nothing is written without a step to record it: the writes below skip.
    ReportStoreFailure(gw::IDS_EDIT_NOT_STARTED);
    return false;
}

void CArtView::EndEdit()
{
    ReportEditEnd(m_edit.EndEdit());
}

void CArtView::ReportEditEnd(EEditEnd end)
{
    if (end == EEditEnd::Unrecorded)
        ReportStoreFailure(gw::IDS_EDIT_UNRECORDED);
    else if (end == EEditEnd::StillOpen)
        ReportStoreFailure(gw::IDS_EDIT_STILL_OPEN);
    // A step ended, recorded or not: Undo may have become possible.
    if (m_pHost)
        m_pHost->OnEditStateChanged();
}

void CArtView::ReportStoreFailure(const char* pszText)
{
    // The box runs an event loop of its own: no second box from inside it.
    if (m_bStoreFailureShown)
        return;
    m_bStoreFailureShown = true;
    GwMessageBox(this, QString::fromLatin1(pszText));
    m_bStoreFailureShown = false;
}

bool CArtView::CanWriteCells() const
{
    // A store page is writable only inside a step; a write outside one
    // would end the program.
    return m_pCells && BackupIsOpen(static_cast<unsigned>(m_doc.GetCurHistory())) != 0;
}

void CArtView::SetCell(int nCol, int nRow, uint8_t ch, ECellColour colour, COLORREF cr)
{
    if (nCol < 0 || nRow < 0 || nCol >= m_geom.Cols() || nRow >= m_geom.Rows() || !CanWriteCells())
        return;
    CharCell& cell = m_pCells[nRow * m_geom.Cols() + nCol];
    cell.chChar = ch;
    cell.crColor = colour == COLOUR_GIVEN ? cr : m_drawing.TextColor();
}

void CArtView::WriteCell(int nCol, int nRow, uint8_t ch, COLORREF cr)
{
    if (nCol < 0 || nRow < 0 || nCol >= m_geom.Cols() || nRow >= m_geom.Rows() || !CanWriteCells())
        return;
    const int nIndex = nRow * m_geom.Cols() + nCol;
    CharCell& cell = m_pCells[nIndex];
    if (cell.chChar != ch || cell.crColor != cr) {
        cell.chChar = ch;
        cell.crColor = cr;
    }
    DrawCell(nIndex);
}

bool CArtView::EndGesture()
{
    if (m_tracker.IsTracking())
        m_tracker.OnCaptureLost();
    // The tool ends its own gesture, committing and renewing the thumbnail.
    if (m_bButtonDown) {
        m_bButtonDown = false;
        if (CViewTool* pTool = GetTool(m_nActiveTool))
            pTool->OnCaptureLost(*this);
    }
    m_drawing.SetRightButton(false);
    const bool bOpen = m_edit.IsEditing();
    ReportEditEnd(m_edit.EndEdit());
    return bOpen;
}

void CArtView::EndPendingEdit()
{
    if (EndGesture() && m_pHost)
        m_pHost->RefreshFrameThumbnail();
    // A floating block is dropped, and a pending shape written, on the frame
    // they belong to, before the frame changes; their rectangles go with them.
    if (m_selection.IsFloating())
        m_selection.DropAndForgetRects();
    if (m_shapes.IsPending()) {
        m_shapes.CommitPreview();
        m_tracker.Empty();
    }
}

bool CArtView::HasPendingEdits() const
{
    return m_edit.IsEditing() || m_selection.IsFloating() || m_shapes.IsPending();
}

void CArtView::WritePendingEditsInto(CharCell* pCells) const
{
    m_selection.DropInto(pCells);
    m_shapes.CommitInto(pCells);
}

CRulerState CArtView::RulerState(QPoint ptMouse) const
{
    return {m_nScrollX, m_nScrollY, ptMouse.x(), ptMouse.y(), GetCanvasWidth(), GetCanvasHeight()};
}

void CArtView::SetTextColor(COLORREF cr)
{
    if (m_drawing.SetTextColor(cr))
        WriteColorSettings();
}

void CArtView::SetBackColor(COLORREF cr)
{
    const COLORREF crBack = DrawingColor(cr);
    if (crBack == m_crBack)
        return;
    m_crBack = crBack;
    WriteColorSettings();
    if (m_pHost)
        m_pHost->BackColorChanged();
}

// ---- scrolling ----

void CArtView::UpdateScrollBars()
{
    const QSize szView = viewport()->size();
    const QPoint ptMax = m_geom.MaxScroll(szView);
    // A line is one cell and a page the visible cells (at least one), so the
    // thumb shows the visible share and every position the bars reach by
    // clicking is a cell border.
    const auto wholeCells = [](int nPixels, int nCell) { return std::max(1, nPixels / nCell) * nCell; };
    horizontalScrollBar()->setRange(0, ptMax.x());
    horizontalScrollBar()->setPageStep(wholeCells(szView.width(), m_geom.CellWidth()));
    horizontalScrollBar()->setSingleStep(m_geom.CellWidth());
    verticalScrollBar()->setRange(0, ptMax.y());
    verticalScrollBar()->setPageStep(wholeCells(szView.height(), m_geom.CellHeight()));
    verticalScrollBar()->setSingleStep(m_geom.CellHeight());
}

void CArtView::ReadScrollPosition()
{
    m_nScrollX = horizontalScrollBar()->value();
    m_nScrollY = verticalScrollBar()->value();
}

void CArtView::ScrollTo(int nX, int nY)
{
    const QPoint pt = m_geom.SnapScroll({nX, nY}, viewport()->size());
    m_bSnapping = true;
    horizontalScrollBar()->setValue(pt.x());
    verticalScrollBar()->setValue(pt.y());
    m_bSnapping = false;
    const int nOldX = m_nScrollX;
    const int nOldY = m_nScrollY;
    ReadScrollPosition();
    if (m_pHost && nOldY != m_nScrollY)
        m_pHost->UpdateRulers(IViewHost::RULER_VSCROLL, RulerState());
    if (m_pHost && nOldX != m_nScrollX)
        m_pHost->UpdateRulers(IViewHost::RULER_HSCROLL, RulerState());
    viewport()->update();
}

void CArtView::scrollContentsBy(int /*nDx*/, int /*nDy*/)
{
    if (m_bSnapping)
        return;
    // Every scroll, whether by thumb, arrows, keys or wheel, lands on a cell border.
    ScrollTo(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CArtView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollBars();
    if (m_bLayoutDone) {
        ScrollTo(0, 0);
        if (m_pHost)
            m_pHost->UpdateRulers(IViewHost::RULER_LAYOUT, RulerState());
    }
}

void CArtView::wheelEvent(QWheelEvent* pEvent)
{
    if (pEvent->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        pEvent->accept(); // nothing scrolls, not even a parent
        return;
    }
    QAbstractScrollArea::wheelEvent(pEvent);
}

// ---- zoom ----

void CArtView::ZoomIn()
{
    if (m_geom.ZoomIn())
        ResetForZoom();
}

void CArtView::ZoomOut()
{
    if (m_geom.ZoomOut())
        ResetForZoom();
}

void CArtView::ResetForZoom()
{
    // The previous tool drops its floating block and ends its gesture; a
    // pending shape stays in the preview, is drawn again into the new layers
    // and is written by the next commit.
    if (m_tracker.IsTracking())
        m_tracker.OnCaptureLost();
    if (CViewTool* pOld = GetTool(m_nActiveTool))
        pOld->Deactivate(*this);
    if (m_selection.IsFloating())
        m_selection.DropSelection();
    if (m_pHost)
        m_pHost->SetCurTool(TOOL_CURSOR);
    m_nActiveTool = TOOL_CURSOR;
    if (CViewTool* pCursor = GetTool(TOOL_CURSOR))
        pCursor->Activate(*this);
    m_tracker.Empty();
    m_bOverlayShown = false;
    m_rcSelection = {};
    m_ptLastCell = {-1, -1};
    LayoutCells();
    RebuildLayers();
    viewport()->update();
    ReadScrollPosition();
    UpdateCursor();
}

void CArtView::ToggleGrid()
{
    m_bShowGrid = !m_bShowGrid;
    Refresh(REFRESH_LAYERS);
}

void CArtView::OnHistoryApplied()
{
    Refresh(REFRESH_ALL);
    if (m_pHost) {
        m_pHost->RefreshFrameThumbnail();
        m_pHost->OnEditStateChanged();
    }
}
