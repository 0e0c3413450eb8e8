// gwconvert play: the drawing's frames shown in the terminal at the interval,
// in 24-bit colour, on the alternate screen with the cursor hidden. The
// terminal is put back (main screen, cursor, colours) at the end, on Ctrl+C
// (SIGINT), SIGTERM or SIGHUP, and after a failed write. A terminal smaller
// than the drawing shows its top-left part, and a note on standard error
// afterwards says so; a resized terminal is followed from the next frame on.
#pragma once

#include "core/char_cell.h"

#include <string>

struct SPlayResult {
    int nStatus = 0;        // the exit status
    std::string strMessage; // a line for standard error, empty for none
    int nSignal = 0;        // a signal that stopped the play, to end with
};

SPlayResult PlayDrawing(const std::string& strInput, int nIntervalTenths, bool bLoop,
                        COLORREF crBack);

// What puts the terminal back as it was: colours reset, the cursor shown,
// the main screen.
inline constexpr char kPlayRestore[] = "\x1b[0m\x1b[?25h\x1b[?1049l";
// The start: the alternate screen, the cursor hidden, the screen cleared.
inline constexpr char kPlayStart[] = "\x1b[?1049h\x1b[?25l\x1b[2J";
