// The two select tools (TOOL_SELECT_TRANSPARENT, TOOL_SELECT_OPAQUE): a drag
// outside the tracker's rectangle drops any floating block and lifts the
// cells of a new one; a handle drops it and lifts again from the resized
// area; the middle drags the floating block about without writing. The
// block's picture lies between the text and the grid. The right button opens
// the canvas's context menu.
#pragma once

#include "canvas/cell_tracker.h"
#include "canvas/view_tool.h"

class CSelectTool : public CViewTool, public ICellTrackerClient {
public:
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev) override;
    bool DrawsUnderGrid(const CToolContext& ctx) const override;
    void OnComposeUnderGrid(CToolContext& ctx, QImage& imgComposition,
                            const QRect& rcPart) override;

    void OnTrackerChanged(CCellTracker& tracker) override;
    void OnTrackerEnded(CCellTracker& tracker, bool bChanged) override;

private:
    CToolContext* m_pCtx = nullptr; // the context being tracked in
    bool m_bMove = false;        // the gesture drags the block
};
