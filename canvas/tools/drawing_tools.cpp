#include "canvas/tools/drawing_tools.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/box_shape_tool.h"
#include "canvas/tools/curve_tool.h"
#include "canvas/tools/erase_tool.h"
#include "canvas/tools/fill_tool.h"
#include "canvas/tools/freehand_tool.h"
#include "canvas/tools/line_tool.h"
#include "canvas/tools/pick_tool.h"
#include "canvas/tools/select_tool.h"
#include "canvas/tools/type_tool.h"

#include <memory>

void RegisterDrawingTools(CArtView& view)
{
    for (int nCode = TOOL_FREEHAND_1; nCode <= TOOL_FREEHAND_10; ++nCode)
        view.SetTool(nCode, std::make_unique<CFreehandTool>());
    view.SetTool(TOOL_FILL, std::make_unique<CFillTool>());
    view.SetTool(TOOL_PICK, std::make_unique<CPickTool>());
    view.SetTool(TOOL_TYPE, std::make_unique<CTypeTool>());
    view.SetTool(TOOL_ERASE, std::make_unique<CEraseTool>());
    view.SetTool(TOOL_SELECT_TRANSPARENT, std::make_unique<CSelectTool>());
    view.SetTool(TOOL_SELECT_OPAQUE, std::make_unique<CSelectTool>());
    view.SetTool(TOOL_LINE, std::make_unique<CLineTool>());
    view.SetTool(TOOL_CURVE, std::make_unique<CCurveTool>());
    view.SetTool(TOOL_RECTANGLE, std::make_unique<CBoxShapeTool>(false));
    view.SetTool(TOOL_ELLIPSE, std::make_unique<CBoxShapeTool>(true));
}
