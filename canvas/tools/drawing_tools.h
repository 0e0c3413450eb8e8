// Registers the stroke tools with a view: freehand for codes 4 .. 13, fill,
// pick and erase. The view does this itself on construction.
#pragma once

class CArtView;

void RegisterDrawingTools(CArtView& view);
