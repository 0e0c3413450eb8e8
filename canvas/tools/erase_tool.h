// The eraser (TOOL_ERASE): a left-button stroke with the drawing state's brush
// that turns cells into spaces in the text colour. While it is current, the brush's square
// follows the mouse as a thin outline, drawn over the visible part. The right
// button does nothing.
#pragma once

#include "canvas/tools/stroke_tool.h"

class CEraseTool : public CStrokeTool {
public:
    void Deactivate(CToolContext& ctx) override;
    void OnLayoutChanged(CToolContext& /*ctx*/) override { m_rcOutline = {}; }
    void OnComposeVisible(CToolContext& ctx, QImage& imgComposition, const QRect& rcPart) override;

protected:
    bool AcceptsButton(Qt::MouseButton button) const override
    {
        return button == Qt::LeftButton;
    }
    uint8_t StrokeChar(const CToolContext& /*ctx*/) const override { return ' '; }
    void OnCellEntered(CToolContext& ctx, int nCol, int nRow) override;

private:
    QRect m_rcOutline; // the brush's square under the mouse, canvas pixels
};
