// The rectangle and ellipse tools (TOOL_RECTANGLE, TOOL_ELLIPSE): the shape
// is drawn inside the view's cell rectangle tracker and stays pending with
// it: dragging a handle resizes and redraws it, dragging the middle moves
// it, and a press outside writes it and drags out the next one.
#pragma once

#include "canvas/cell_tracker.h"
#include "canvas/view_tool.h"

class CBoxShapeTool : public CViewTool, public ICellTrackerClient {
public:
    explicit CBoxShapeTool(bool bEllipse) : m_bEllipse(bEllipse) {}

    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;

    void OnTrackerChanged(CCellTracker& tracker) override;
    void OnTrackerEnded(CCellTracker& tracker, bool bChanged) override;

private:
    bool m_bEllipse;
    CToolContext* m_pCtx = nullptr; // the context being tracked in
    bool m_bMove = false;        // the gesture moves the whole shape
    bool m_bMoveDrawn = false;   // the moved preview has been drawn
    CTrackRect m_rcStart;        // the rectangle when the gesture began
};
