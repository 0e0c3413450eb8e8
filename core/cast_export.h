// The terminal recording: an asciicast (version 2) file, as terminal players
// and sharing sites read it. A header line gives the terminal's size (the
// drawing's) and a title; then one output event per frame, at the frame
// interval, writes the frame's coloured terminal export from the top-left
// corner over the one before.
#pragma once

#include "core/char_cell.h"
#include "core/html_export.h"

#include <ostream>
#include <string>

struct SCastParams {
    int nIntervalTenths = 5;
    COLORREF crBack = 0x00FFFFFF;
    std::string strTitle; // UTF-8; a byte that is not is written as U+FFFD
};

// Writes the source's frames as a recording. Stops and returns false as soon
// as a frame cannot be had or the stream fails.
bool ExportCast(std::ostream& os, IAnimFrameSource& frames, const SCastParams& params);

// The bytes that show frame pCells in a terminal of exactly nCols x nRows:
// the cursor home, then the coloured rows joined by CR LF, with no line end
// after the last, which would scroll the screen.
std::string CastFrameOutput(const CharCell* pCells, int nRows, int nCols, COLORREF crBack);
