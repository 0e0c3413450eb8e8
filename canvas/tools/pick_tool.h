// Picking up a character (TOOL_PICK): a click with either button makes the
// clicked cell's character that button's drawing character and tells the
// host, which updates the character picker. Bytes outside 32 .. 126 are
// ignored; the cells are not changed.
#pragma once

#include "canvas/view_tool.h"

class CPickTool : public CViewTool {
public:
    void OnMousePress(CToolContext& ctx, const CToolMouseEvent& ev) override;
};
