// What freehand drawing and erasing share: a stroke from mouse-down to
// mouse-up is one undo step; the brush is applied at the pressed cell, and
// each time the mouse leaves a cell the stepped line from it to the new cell
// is drawn, so the cell under the mouse is written only once it is left.
// With Auto draw on, a tool that allows it follows the stroke pixel by pixel
// instead, one chosen character per cell, and writes nothing at the press.
#pragma once

#include "canvas/view_tool.h"

#include <QPoint>

#include <cstdint>

class CStrokeTool : public CViewTool {
public:
    void Deactivate(CToolContext& ctx) override { EndStroke(ctx); }
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseMove(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnMouseRelease(CToolContext& ctx, const CToolMouseEvent& ev) override;
    void OnCaptureLost(CToolContext& ctx) override { EndStroke(ctx); }

    bool IsStroking() const { return m_bStroking; }

protected:
    virtual bool AcceptsButton(Qt::MouseButton button) const = 0;
    virtual uint8_t StrokeChar(const CToolContext& ctx) const = 0;
    virtual bool AllowsAutoDraw() const { return false; }
    // Every mouse move into another cell, with or without a stroke.
    virtual void OnCellEntered(CToolContext& /*ctx*/, int /*nCol*/, int /*nRow*/) {}

private:
    // Commits the stroke's step, redraws the canvas and renews the thumbnail.
    void EndStroke(CToolContext& ctx);

    bool m_bStroking = false;
    bool m_bAuto = false;           // this stroke draws with Auto draw
    QPoint m_ptAnchor;              // Auto draw: the pixel the next line starts at
    Qt::MouseButton m_button = Qt::NoButton;
    QPoint m_ptCell;                // the cell the stroke last reached
    QPoint m_ptHover{-1, -1};       // the cell of the last mouse move
};
