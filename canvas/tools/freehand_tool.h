// Freehand drawing (tool codes 4 .. 13) with the drawing state's square
// brush, whose width the freehand width choice sets: the left button draws
// the left character, the right button the right one, both in the text colour.
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
