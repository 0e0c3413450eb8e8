// Flood fill (TOOL_FILL): a click with either button fills the 4-connected
// space cells around the clicked cell with that button's character, keeping
// each cell's colour; one undo step, then the whole text layer is redrawn.
#pragma once

#include "canvas/view_tool.h"

class CFillTool : public CViewTool {
public:
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
};
