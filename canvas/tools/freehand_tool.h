// Freehand drawing (tool codes 4 .. 13) with the square brush of the view's
// m_nBrushWidth, which the freehand width choice sets: the left button draws
// m_chLeft, the right button m_chRight, both in m_crText.
#pragma once

#include "canvas/tools/stroke_tool.h"

class CFreehandTool : public CStrokeTool {
public:
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;

protected:
    bool AcceptsButton(Qt::MouseButton button) const override
    {
        return button == Qt::LeftButton || button == Qt::RightButton;
    }
    uint8_t StrokeChar(const CToolContext& ctx) const override;
    bool AllowsAutoDraw() const override { return true; }
};
