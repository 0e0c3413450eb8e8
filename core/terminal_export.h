// The exports of a frame for terminals: UTF-8 text, each byte mapped to the
// character the canvas shows for it (Windows-1252), and the same with 24-bit
// colour escapes. Both write LF line ends and keep trailing spaces, so the
// picture keeps its shape in a terminal.
#pragma once

#include "core/char_cell.h"

#include <cstdint>
#include <ostream>
#include <string>

// The Unicode character the canvas draws for byte ch (Windows-1252; the five
// bytes that code page leaves undefined map to their C1 control points, as
// the canvas maps them).
char16_t Cp1252ToUnicode(uint8_t ch);
// The character a cell shows as text: that character, or a space for the
// control characters the canvas draws blank (C0, DEL and the C1 points).
char16_t TerminalChar(uint8_t ch);
// The UTF-8 bytes of that character.
void AppendUtf8(std::string& str, char16_t ch);

// One line per row, each exactly nCols characters, LF after each. Control
// characters (bytes 0 to 31 and 127, and the C1 controls of the five
// unassigned bytes) go out as spaces, as the canvas shows them blank: written
// raw they would move the cursor or start terminal commands.
void ExportUtf8Text(std::ostream& os, const CharCell* pCells, int nRows, int nCols);

// The same with colour: every row starts with the background crBack as
// ESC[48;2;R;G;Bm, each run of one colour starts with ESC[38;2;R;G;Bm, and
// every row ends with the reset ESC[0m before its LF, so the terminal's own
// colours are back after each row and at the end.
void ExportAnsiText(std::ostream& os, const CharCell* pCells, int nRows, int nCols,
                    COLORREF crBack);
