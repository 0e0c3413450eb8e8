#include "canvas/tools/select_tool.h"

#include "canvas/selection.h"
#include "canvas/tool_context.h"
#include "canvas/view_host.h"
#include "canvas/view_layers.h"

namespace {
QRect ToQRect(const CTrackRect& rc)
{
    const CTrackRect n = rc.Normalized();
    return {n.left, n.top, n.Width(), n.Height()};
}
} // namespace

void CSelectTool::OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::RightButton) {
        // Inside the canvas grown by a cell to the right and below.
        const QRect rcMenu(0, 0, ctx.GetCanvasWidth() + ctx.GetCellWidth(),
                           ctx.GetCanvasHeight() + ctx.GetCellHeight());
        if (!rcMenu.contains(ev.ptCanvas))
            return;
        ctx.Drawing().SetRightButton(true);
        if (IViewHost* pHost = ctx.Host())
            pHost->OpenCanvasMenu(ctx.MapToGlobal(ev.ptClient));
        return;
    }
    if (ev.button != Qt::LeftButton || !ev.bOnCanvas || !ctx.GetCells())
        return;
    CCellTracker& tracker = ctx.Tracker();
    if (tracker.IsTracking())
        return;
    CSelection& selection = ctx.Selection();
    const int nHit = tracker.HitTest(ev.ptCanvas);
    m_pCtx = &ctx;
    m_bMove = nHit == CCellTracker::HIT_MIDDLE;
    if (m_bMove) {
        tracker.Track(ctx.TrackGeometry(), ev.ptCanvas, this);
        return;
    }
    // A new rectangle or a resize: what floats is written where it lies first.
    if (selection.IsFloating())
        selection.DropSelection();
    if (nHit == CCellTracker::HIT_NOTHING)
        tracker.TrackRubberBand(ctx.TrackGeometry(), ev.ptCanvas, this);
    else
        tracker.Track(ctx.TrackGeometry(), ev.ptCanvas, this);
}

void CSelectTool::OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev)
{
    if (ev.button == Qt::RightButton)
        ctx.Drawing().SetRightButton(false);
}

void CSelectTool::OnTrackerChanged(CCellTracker& tracker)
{
    if (!m_pCtx)
        return;
    // The block follows a moving rectangle; a new or resized one is only framed.
    if (m_bMove)
        m_pCtx->SetSelectionRect(ToQRect(tracker.Rect()));
    m_pCtx->Refresh(CToolContext::REFRESH_VISIBLE);
}

void CSelectTool::OnTrackerEnded(CCellTracker& tracker, bool /*bChanged*/)
{
    if (!m_pCtx)
        return;
    CToolContext& ctx = *m_pCtx;
    m_pCtx = nullptr;
    ctx.SetSelectionRect(ToQRect(tracker.Rect()));
    if (!m_bMove)
        ctx.Selection().LiftSelection(CSelection::SOURCE_CANVAS);
    m_bMove = false;
    ctx.Refresh(CToolContext::REFRESH_ALL);
}

bool CSelectTool::DrawsUnderGrid(const CToolContext& ctx) const
{
    return !ctx.GetSelectionRect().isEmpty();
}

void CSelectTool::OnComposeUnderGrid(CToolContext& ctx, QImage& imgComposition, const QRect& rcPart)
{
    const QRect& rcBlock = ctx.GetSelectionRect();
    const QImage& imgBlock = ctx.SelectionLayer();
    if (imgBlock.size() != rcBlock.size()) {
        KeyedStretchImage(imgComposition, rcBlock, imgBlock);
        return;
    }
    const QRect rcDraw = rcBlock.intersected(rcPart);
    if (!rcDraw.isEmpty())
        KeyedCopyImageRect(imgComposition, rcDraw.topLeft(), imgBlock,
                           rcDraw.translated(-rcBlock.topLeft()));
}
