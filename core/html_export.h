// The exports of a drawing as text and HTML. Each writes to a stream; every
// line ends in CR LF, and character bytes go out unchanged and unescaped
// (Windows-1252).
#pragma once

#include "core/char_cell.h"

#include <ostream>
#include <string>

class CArtDoc;

// "#rrggbb" in lower case from a 0x00BBGGRR colour.
std::string FormatHtmlColor(COLORREF cr);

// One cell: a space as itself, any other character in its own font element.
void AppendCellMarkup(std::string& str, const CharCell& cell);

// The rows of a frame, each row's markup followed by a line end.
void AppendFrameMarkup(std::string& str, const CharCell* pCells, int nRows, int nCols);

// One line per row, each exactly nCols characters.
void ExportSingleText(std::ostream& os, const CharCell* pCells, int nRows, int nCols);

// One page with the frame in coloured characters on the background crBack.
void ExportSingleHtml(std::ostream& os, const CharCell* pCells, int nRows, int nCols,
                      COLORREF crBack);

// Every frame in key order in one page whose script plays them every
// nIntervalTenths tenths of a second.
void ExportAnimationHtml(std::ostream& os, const CArtDoc& doc, int nIntervalTenths,
                         COLORREF crBack);
