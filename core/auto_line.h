// The auto-draw line: a stroke followed pixel by pixel, writing into each
// cell it passes a character whose shape follows the stroke's direction and
// the height at which it entered the cell (hyphens, underscores, accents,
// stops, apostrophes, slashes and bars), then clearing the corner cells that
// would make a diagonal two cells thick. It knows nothing of views: the cells
// or a shape preview stand behind IAutoLineTarget.
#pragma once

#include <cstdint>

class IAutoLineTarget {
public:
    virtual ~IAutoLineTarget() = default;
    // Grid size in cells; only cells inside 0 .. Cols() - 1, 0 .. Rows() - 1
    // are ever passed.
    virtual int Cols() const = 0;
    virtual int Rows() const = 0;
    // Writes the chosen character into the cell.
    virtual void WriteAuto(int nCol, int nRow, uint8_t ch) = 0;
    // Corner smoothing removes the cell: a space in the cells, or the
    // cell's removal from a preview.
    virtual void ClearCorner(int nCol, int nRow) = 0;
};

struct CAutoLineEntry {
    int nCol = 0;
    int nRow = 0;
    uint8_t ch = ' ';
};

// The character for one write. nL is how far below the cell's top the stroke
// entered it (anchor y mod cell height), nE the cell height / 6; the bands
// are L <= 2e, L <= 4e and L <= 6e, and beyond 6e no rule applies. fStepX and
// fStepY are the line's steps; they are compared in double precision, so a
// step of 0.2f counts as above 0.2 and one of 0.8f as above 0.8. Returns
// chCurrent where no rule applies.
uint8_t AutoLineChar(int nL, int nE, float fStepX, float fStepY, uint8_t chCurrent);

// Pixel coordinates beyond this magnitude make Draw do nothing: within it
// every stepped pixel is exact in a 32-bit float and fits an int.
inline constexpr int AUTO_LINE_PIXEL_LIMIT = 1 << 24;

class CAutoLine {
public:
    // Mouse-down: empties the history and makes (nCol, nRow) the last
    // auto-draw cell.
    void Reset(int nCol, int nRow);
    // One auto-draw line from canvas pixel (nX0, nY0) towards (nX1, nY1),
    // the end pixel left out, over cells of nCellW x nCellH pixels. Cells off
    // the target's grid are skipped and leave the history alone; so does a
    // cell no rule has yet given a character in this call, rather than
    // having a blank written over it. Until a character is chosen, a cell
    // entered beyond 6e counts as entered at 6e.
    void Draw(IAutoLineTarget& target, int nX0, int nY0, int nX1, int nY1, int nCellW, int nCellH);
    int HistoryCount() const { return m_nHistory; }
    // 0 = oldest; an index outside 0 .. HistoryCount() - 1 gives an empty entry.
    const CAutoLineEntry& HistoryAt(int i) const;
    int LastCol() const { return m_nLastCol; }
    int LastRow() const { return m_nLastRow; }

private:
    void Write(IAutoLineTarget& target, int nCol, int nRow, uint8_t ch);
    void SmoothAutoLine(IAutoLineTarget& target);

    CAutoLineEntry m_aHistory[3];
    int m_nHistory = 0;
    // No cell until the first Reset, so that a first write is recorded.
    int m_nLastCol = -1;
    int m_nLastRow = -1;
};
