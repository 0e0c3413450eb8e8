// The curve tool (TOOL_CURVE): a cubic Bezier curve between four control
// cells, built in three gestures (drag from P0 to P3, click P1, click P2) and
// then kept pending: each control point can be dragged by its handle and the
// whole curve by its body. Clicking away writes it and starts the next one.
// The control points and stages outlive tool changes; the handles do not.
#pragma once

#include "canvas/tools/shape_tool.h"

#include <QRect>

#include <array>

class CCurveTool : public CShapeTool {
public:
    void Deactivate(CToolContext& ctx) override;
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev) override;
    int CursorIdAt(const CToolContext& ctx, QPoint ptCanvas) const override;

    // P0, P1, P2, P3 in cells.
    const std::array<QPoint, 4>& Points() const { return m_aPoints; }
    bool IsComplete() const { return m_bStarted && m_bP3 && m_bP1 && m_bP2; }

protected:
    void OnGestureEnd(CToolContext& ctx) override;

private:
    // Which point a handle drag moves, 0 for none; handle order P0, P3, P1, P2.
    enum EDrag { DRAG_NONE = 0, DRAG_P0 = 1, DRAG_P3 = 2, DRAG_P1 = 3, DRAG_P2 = 4 };
    static int PointOfDrag(int nDrag);

    void StartCurve(CToolContext& ctx, const CToolMouseEvent& ev);
    void DrawStraight(CToolContext& ctx, QPoint ptMouse);
    void DrawCurvePreview(CToolContext& ctx);
    void SetHandles(const std::array<QRect, 4>& aGuide);

    std::array<QPoint, 4> m_aPoints;
    bool m_bStarted = false;
    bool m_bP1 = false;
    bool m_bP2 = false;
    bool m_bP3 = false;
    bool m_bRubberBand = false; // the first drag
    int m_nDrag = DRAG_NONE;
    QPoint m_ptAnchor;          // the first drag's start pixel (auto draw)
    std::array<QRect, 4> m_aHandles; // P0, P3, P1, P2; canvas pixels
};
