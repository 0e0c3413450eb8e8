// What the line and curve tools share: a gesture that shows the overlay from
// mouse-down to mouse-up, redraws on every move into another cell, and may
// drag the whole pending shape by a cell offset.
#pragma once

#include "canvas/view_tool.h"

#include <QPoint>

class CShapeTool : public CViewTool {
public:
    void OnCaptureLost(CToolContext& ctx) override { EndGesture(ctx); }

protected:
    // Mouse-down of a gesture: the overlay is shown until EndGesture.
    void BeginGesture(CToolContext& ctx, QPoint ptCell);
    // True when the mouse moved into another cell than the last one seen.
    bool EnterCell(QPoint ptCell);
    // Mouse-up (or a lost grab): the tool's own ending, a whole-canvas
    // refresh that still shows the overlay, which later refreshes leave out.
    void EndGesture(CToolContext& ctx);
    virtual void OnGestureEnd(CToolContext& /*ctx*/) {}
    bool InGesture() const { return m_bGesture; }

    // Dragging the whole shape: the offset from the grabbed cell.
    void BeginMove(QPoint ptCell);
    bool IsMoving() const { return m_bMoving; }
    QPoint MoveOffset() const { return m_ptOffset; }
    bool HasMoved() const { return m_bMoved; }
    void UpdateMove(QPoint ptCell);

private:
    bool m_bGesture = false;
    QPoint m_ptLastCell;
    bool m_bMoving = false;
    bool m_bMoved = false;
    QPoint m_ptGrab;
    QPoint m_ptOffset;
};
