// The animated SVG export: every frame in one <svg>, each row as text in the
// cells' colours over the background, played by CSS alone (no script), so
// the picture moves where pages run no scripts (code hosts, READMEs).
//
// Every frame is a group holding its own background and rows. Only the first
// is visible by default; the others are hidden and a CSS animation shows each
// in turn, so a viewer that draws the picture without running animations
// shows the first frame alone. A single frame gives a still picture.
#pragma once

#include "core/char_cell.h"
#include "core/html_export.h"

#include <ostream>

// Where the rows go: the cell's size in pixels, the font size and the text's
// baseline below a cell's top.
struct SSvgLayout {
    int nCellW = 8;
    int nCellH = 12;
    int nFontPx = 12;
    int nBaseline = 10;
};

// The layout of a zoom (0 to 4) from the sizes the canvas asks its font for,
// where no font can be measured (the command line).
SSvgLayout SvgLayoutForZoom(int nZoom);

struct SSvgParams {
    SSvgLayout layout;
    int nIntervalTenths = 5; // between frames
    bool bLoop = true;       // else played once, stopping on the last frame
    COLORREF crBack = 0x00FFFFFF;
};

// Writes the source's frames as one SVG. Stops and returns false as soon as
// a frame cannot be had or the stream fails.
bool ExportAnimatedSvg(std::ostream& os, IAnimFrameSource& frames, const SSvgParams& params);
