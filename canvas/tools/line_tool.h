// The line tool (TOOL_LINE): a straight line previewed in the overlay while
// it is dragged out, then kept pending and editable: either end by its
// handle, the whole line by its body. Clicking away from it writes it as one
// undo step and starts the next line there.
#pragma once

#include "canvas/tools/shape_tool.h"

#include <QRect>

#include <array>

class CLineTool : public CShapeTool {
public:
    void Deactivate(CToolContext& ctx) override;
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev) override;
    int CursorIdAt(const CToolContext& ctx, QPoint ptCanvas) const override;

    QPoint StartCell() const { return m_ptStart; }
    QPoint EndCell() const { return m_ptEnd; }

protected:
    void OnGestureEnd(CToolContext& ctx) override;

private:
    void DrawRubberBand(CToolContext& ctx, QPoint ptMouse);

    bool m_bRubberBand = false;
    QPoint m_ptStart;  // cells of the pending line
    QPoint m_ptEnd;
    QPoint m_ptAnchor; // the start pixel of an auto-draw line
    std::array<QRect, 2> m_aHandles; // start, end; canvas pixels
};
