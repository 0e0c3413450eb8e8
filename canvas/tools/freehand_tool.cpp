#include "canvas/tools/freehand_tool.h"

#include "canvas/art_view.h"

uint8_t CFreehandTool::StrokeChar(const CArtView& view) const
{
    return view.m_bRightButton ? view.m_chRight : view.m_chLeft;
}
