#include "canvas/tools/box_shape_tool.h"

#include "canvas/shape_preview.h"
#include "canvas/tool_context.h"

void CBoxShapeTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || !ctx.GetCells())
        return;
    CCellTracker& tracker = ctx.Tracker();
    if (tracker.IsTracking())
        return;
    CShapePreview& shapes = ctx.Shapes();
    const int nHit = tracker.HitTest(ev.ptCanvas);
    m_pCtx = &ctx;
    m_bMove = nHit == CCellTracker::HIT_MIDDLE;
    m_bMoveDrawn = false;
    m_rcStart = tracker.Rect();
    ctx.SetOverlayShown(true);
    if (nHit == CCellTracker::HIT_NOTHING) {
        // Outside the pending shape: it is written; the next one is dragged out.
        ctx.Shapes().CommitPreview();
        shapes.m_crShape = ctx.GetTextColor();
        shapes.AutoLine().Reset(ev.nCol, ev.nRow);
        tracker.TrackRubberBand(ctx.TrackGeometry(), ev.ptCanvas, this);
    } else {
        if (m_bMove)
            shapes.m_crShape = ctx.GetTextColor();
        tracker.Track(ctx.TrackGeometry(), ev.ptCanvas, this);
    }
}

void CBoxShapeTool::OnTrackerChanged(CCellTracker& tracker)
{
    if (!m_pCtx)
        return;
    CToolContext& ctx = *m_pCtx;
    CShapePreview& shapes = ctx.Shapes();
    const CTrackRect rc = tracker.Rect().Normalized();
    if (m_bMove) {
        const CTrackRect rcFrom = m_rcStart.Normalized();
        shapes.MovePreview(rc.left / ctx.GetCellWidth() - rcFrom.left / ctx.GetCellWidth(),
                           rc.top / ctx.GetCellHeight() - rcFrom.top / ctx.GetCellHeight());
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
    ctx.Refresh(CToolContext::REFRESH_VISIBLE);
}

void CBoxShapeTool::OnTrackerEnded(CCellTracker& /*tracker*/, bool /*bChanged*/)
{
    if (!m_pCtx)
        return;
    CToolContext& ctx = *m_pCtx;
    m_pCtx = nullptr;
    if (m_bMove && m_bMoveDrawn)
        ctx.Shapes().AcceptMove();
    m_bMove = false;
    ctx.Refresh(CToolContext::REFRESH_LAYERS);
    // The last picture stays on screen until the next refresh.
    ctx.SetOverlayShown(false);
}
