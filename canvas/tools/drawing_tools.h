// Registers the tools with a view: the select tools, typing, freehand for
// codes 4 .. 13, the line, curve, rectangle and ellipse tools, fill, pick and
// erase.
// The view does this itself on construction.
#pragma once

class CArtView;

void RegisterDrawingTools(CArtView& view);
