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
    void Deactivate(CArtView& view) override;
    void OnMousePress(CArtView& view, const CToolMouseEvent& ev) override;
    void OnMouseMove(CArtView& view, const CToolMouseEvent& ev) override;
    void OnMouseRelease(CArtView& view, const CToolMouseEvent& ev) override;
    int CursorIdAt(const CArtView& view, QPoint ptCanvas) const override;

    // P0, P1, P2, P3 in cells.
    const std::array<QPoint, 4>& Points() const { return m_aPoints; }
    bool IsComplete() const { return m_bStarted && m_bP3 && m_bP1 && m_bP2; }

protected:
    void OnGestureEnd(CArtView& view) override;

private:
    // Which point a handle drag moves, 0 for none; handle order P0, P3, P1, P2.
    enum EDrag { DRAG_NONE = 0, DRAG_P0 = 1, DRAG_P3 = 2, DRAG_P1 = 3, DRAG_P2 = 4 };
    static int PointOfDrag(int nDrag);

    void StartCurve(CArtView& view, const CToolMouseEvent& ev);
    void DrawStraight(CArtView& view, QPoint ptMouse);
    void DrawCurvePreview(CArtView& view);
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
