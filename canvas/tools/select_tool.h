// The two select tools (TOOL_SELECT_TRANSPARENT, TOOL_SELECT_OPAQUE). For now
// they only show the floating block the view holds: its picture lies between
// the text and the grid, stretched to the block's rectangle.
#pragma once

#include "canvas/view_tool.h"

class CSelectTool : public CViewTool {
public:
    bool DrawsUnderGrid(const CArtView& view) const override;
    void OnComposeUnderGrid(CArtView& view, QImage& imgComposition) override;
};
