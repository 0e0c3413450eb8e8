// Registers the tools with a view: freehand for codes 4 .. 13, fill, pick,
// erase, the select tools and the line, curve, rectangle and ellipse tools.
// The view does this itself on construction.
#pragma once

class CArtView;

void RegisterDrawingTools(CArtView& view);
