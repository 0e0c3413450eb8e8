#include "canvas/tools/tool_registry.h"

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

std::vector<CToolEntry> MakeStandardTools()
{
    std::vector<CToolEntry> vTools;
    const auto add = [&vTools](int nCode, std::unique_ptr<CViewTool> pTool) {
        vTools.push_back({nCode, std::move(pTool)});
    };
    for (int nCode = TOOL_FREEHAND_1; nCode <= TOOL_FREEHAND_10; ++nCode)
        add(nCode, std::make_unique<CFreehandTool>());
    add(TOOL_FILL, std::make_unique<CFillTool>());
    add(TOOL_PICK, std::make_unique<CPickTool>());
    add(TOOL_TYPE, std::make_unique<CTypeTool>());
    add(TOOL_ERASE, std::make_unique<CEraseTool>());
    add(TOOL_SELECT_TRANSPARENT, std::make_unique<CSelectTool>());
    add(TOOL_SELECT_OPAQUE, std::make_unique<CSelectTool>());
    add(TOOL_LINE, std::make_unique<CLineTool>());
    add(TOOL_CURVE, std::make_unique<CCurveTool>());
    add(TOOL_RECTANGLE, std::make_unique<CBoxShapeTool>(false));
    add(TOOL_ELLIPSE, std::make_unique<CBoxShapeTool>(true));
    return vTools;
}
