// The tool codes: the one integer the main window keeps as its current tool
// and the view reads on every mouse message.
#pragma once

inline constexpr int TOOL_CURSOR = 0;
inline constexpr int TOOL_SELECT_TRANSPARENT = 1;
inline constexpr int TOOL_SELECT_OPAQUE = 2;
inline constexpr int TOOL_TYPE = 3;
inline constexpr int TOOL_FREEHAND_1 = 4;  // brush width 1; width w is TOOL_FREEHAND_1 + w - 1
inline constexpr int TOOL_FREEHAND_10 = 13;
inline constexpr int TOOL_LINE = 14;
inline constexpr int TOOL_CURVE = 15;
inline constexpr int TOOL_RECTANGLE = 16;
inline constexpr int TOOL_ELLIPSE = 17;
inline constexpr int TOOL_FILL = 18;
inline constexpr int TOOL_PICK = 19;
inline constexpr int TOOL_ERASE = 20;
inline constexpr int TOOL_COUNT = 21;

inline constexpr bool IsFreehandTool(int nTool)
{
    return nTool >= TOOL_FREEHAND_1 && nTool <= TOOL_FREEHAND_10;
}
inline constexpr bool IsSelectTool(int nTool)
{
    return nTool == TOOL_SELECT_TRANSPARENT || nTool == TOOL_SELECT_OPAQUE;
}
