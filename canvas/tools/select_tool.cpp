#include "canvas/tools/select_tool.h"

#include "canvas/art_view.h"
#include "canvas/view_host.h"
#include "canvas/view_layers.h"

#include <QWidget>

namespace {
QRect ToQRect(const CTrackRect& rc)
{
    const CTrackRect n = rc.Normalized();
    return {n.left, n.top, n.Width(), n.Height()};
}
} // namespace

void CSelectTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::RightButton) {
        // Inside the canvas grown by a cell to the right and below.
        const QRect rcMenu(0, 0, view.GetCanvasWidth() + view.GetCellWidth(),
                           view.GetCanvasHeight() + view.GetCellHeight());
        if (!rcMenu.contains(ev.ptCanvas))
            return;
        view.m_bRightButton = true;
        if (IViewHost* pHost = view.Host())
            pHost->OpenCanvasMenu(view.viewport()->mapToGlobal(ev.ptClient));
        return;
    }
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || !view.GetCells())
        return;
    CCellTracker& tracker = view.Tracker();
    if (tracker.IsTracking())
        return;
    CSelection& selection = view.Selection();
    const int nHit = tracker.HitTest(ev.ptCanvas);
    m_pView = &view;
    m_bMove = nHit == CCellTracker::HIT_MIDDLE;
    if (m_bMove) {
        tracker.Track(view.TrackGeometry(), ev.ptCanvas, this);
        return;
    }
    // A new rectangle or a resize: what floats is written where it lies first.
    if (selection.IsFloating())
        selection.DropSelection();
    if (nHit == CCellTracker::HIT_NOTHING)
        tracker.TrackRubberBand(view.TrackGeometry(), ev.ptCanvas, this);
    else
        tracker.Track(view.TrackGeometry(), ev.ptCanvas, this);
}

void CSelectTool::OnMouseRelease(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::RightButton)
        view.m_bRightButton = false;
}

void CSelectTool::OnTrackerChanged(CCellTracker& tracker)
{
    if (!m_pView)
        return;
    // The block follows a moving rectangle; a new or resized one is only framed.
    if (m_bMove)
        m_pView->SetSelectionRect(ToQRect(tracker.Rect()));
    m_pView->Refresh(CArtView::REFRESH_VISIBLE);
}

void CSelectTool::OnTrackerEnded(CCellTracker& tracker, bool /*bChanged*/)
{
    if (!m_pView)
        return;
    CArtView& view = *m_pView;
    m_pView = nullptr;
    view.SetSelectionRect(ToQRect(tracker.Rect()));
    if (!m_bMove)
        view.Selection().LiftSelection(CSelection::SOURCE_CANVAS);
    m_bMove = false;
    view.Refresh(CArtView::REFRESH_ALL);
}

bool CSelectTool::DrawsUnderGrid(const CArtView& view) const
{
    return !view.GetSelectionRect().isEmpty();
}

void CSelectTool::OnComposeUnderGrid(CArtView& view, QImage& imgComposition, const QRect& rcPart)
{
    const QRect& rcBlock = view.GetSelectionRect();
    const QImage& imgBlock = view.SelectionLayer();
    if (imgBlock.size() != rcBlock.size()) {
        KeyedStretchImage(imgComposition, rcBlock, imgBlock);
        return;
    }
    const QRect rcDraw = rcBlock.intersected(rcPart);
    if (!rcDraw.isEmpty())
        KeyedCopyImageRect(imgComposition, rcDraw.topLeft(), imgBlock,
                           rcDraw.translated(-rcBlock.topLeft()));
}
