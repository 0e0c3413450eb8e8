#include "canvas/tools/box_shape_tool.h"

#include "canvas/art_view.h"

void CBoxShapeTool::OnMousePress(CArtView& view, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || !view.GetCells())
        return;
    CCellTracker& tracker = view.Tracker();
    if (tracker.IsTracking())
        return;
    CShapePreview& shapes = view.Shapes();
    const int nHit = tracker.HitTest(ev.ptCanvas);
    m_pView = &view;
    m_bMove = nHit == CCellTracker::HIT_MIDDLE;
    m_bMoveDrawn = false;
    m_rcStart = tracker.Rect();
    view.SetOverlayShown(true);
    if (nHit == CCellTracker::HIT_NOTHING) {
        // Outside the pending shape: it is written; the next one is dragged out.
        view.CommitPreview();
        shapes.m_crShape = view.m_crText;
        shapes.AutoLine().Reset(ev.nCol, ev.nRow);
        tracker.TrackRubberBand(view.TrackGeometry(), ev.ptCanvas, this);
    } else {
        if (m_bMove)
            shapes.m_crShape = view.m_crText;
        tracker.Track(view.TrackGeometry(), ev.ptCanvas, this);
    }
}

void CBoxShapeTool::OnTrackerChanged(CCellTracker& tracker)
{
    if (!m_pView)
        return;
    CArtView& view = *m_pView;
    CShapePreview& shapes = view.Shapes();
    const CTrackRect rc = tracker.Rect().Normalized();
    if (m_bMove) {
        const CTrackRect rcFrom = m_rcStart.Normalized();
        shapes.MovePreview(rc.left / view.GetCellWidth() - rcFrom.left / view.GetCellWidth(),
                           rc.top / view.GetCellHeight() - rcFrom.top / view.GetCellHeight());
        m_bMoveDrawn = true;
    } else if (rc.IsEmpty()) {
        // A rectangle without area holds no shape: drawn as four edges it
        // would leave cells around the click.
        shapes.Restart();
    } else {
        const QRect rcPixels(rc.left, rc.top, rc.Width(), rc.Height());
        if (m_bEllipse)
            shapes.DrawEllipse(rcPixels);
        else
            shapes.DrawRectangle(rcPixels);
    }
    view.Refresh(CArtView::REFRESH_VISIBLE);
}

void CBoxShapeTool::OnTrackerEnded(CCellTracker& /*tracker*/, bool /*bChanged*/)
{
    if (!m_pView)
        return;
    CArtView& view = *m_pView;
    m_pView = nullptr;
    if (m_bMove && m_bMoveDrawn)
        view.Shapes().AcceptMove();
    m_bMove = false;
    view.Refresh(CArtView::REFRESH_LAYERS);
    // The last picture stays on screen until the next refresh.
    view.SetOverlayShown(false);
}
