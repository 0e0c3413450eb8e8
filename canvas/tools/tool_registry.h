// The standard tools by code: the select tools, typing, freehand for codes
// 4 .. 13, the line, curve, rectangle and ellipse tools, fill, pick and
// erase. The view knows none of them: whoever makes a view installs them
// (the main window, the tests, the benchmarks).
#pragma once

#include "canvas/view_tool.h"

#include <memory>
#include <utility>
#include <vector>

struct CToolEntry {
    int nCode = 0;
    std::unique_ptr<CViewTool> pTool;
};

// A new set of the standard tools, one entry per tool code that has a tool.
std::vector<CToolEntry> MakeStandardTools();

// Installs the standard tools on a view (anything with SetTool(code, tool)).
template <typename TView> void RegisterStandardTools(TView& view)
{
    for (CToolEntry& entry : MakeStandardTools())
        view.SetTool(entry.nCode, std::move(entry.pTool));
}
