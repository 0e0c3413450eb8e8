#include "core/auto_line.h"

#include "core/cell_algorithms.h"

#include <cstdlib>

namespace {
constexpr uint8_t CH_APOSTROPHE = '\'';
constexpr uint8_t CH_HYPHEN = '-';
constexpr uint8_t CH_FULL_STOP = '.';
constexpr uint8_t CH_SLASH = '/';
constexpr uint8_t CH_BACKSLASH = '\\';
constexpr uint8_t CH_UNDERSCORE = '_';
constexpr uint8_t CH_GRAVE = '`';
constexpr uint8_t CH_BAR = '|';

// A steep stroke by its horizontal step: leaning right, nearly vertical or
// leaning left; chOther for the slopes in between.
uint8_t SteepChar(double dX, uint8_t chRight, uint8_t chLeft, uint8_t chOther)
{
    if (dX >= 0.8 && dX <= 1.0)
        return chRight;
    if (dX > -0.2 && dX < 0.2)
        return CH_BAR;
    if (dX >= -1.0 && dX <= -0.8)
        return chLeft;
    return chOther;
}

bool InPixelRange(int n)
{
    return n >= -AUTO_LINE_PIXEL_LIMIT && n <= AUTO_LINE_PIXEL_LIMIT;
}
} // namespace

uint8_t AutoLineChar(int nL, int nE, float fStepX, float fStepY, uint8_t chCurrent)
{
    if (nL > 6 * nE)
        return chCurrent;
    const double dX = fStepX;
    const double dY = fStepY;
    const bool bUpper = nL <= 2 * nE;
    const bool bMiddle = !bUpper && nL <= 4 * nE;
    // Upwards steeply: the upper band has a bar whatever the lean.
    if (dY >= -1.0 && dY < -0.8)
        return bUpper
                   ? CH_BAR
                   : SteepChar(dX, CH_SLASH, CH_BACKSLASH, bMiddle ? CH_APOSTROPHE : CH_FULL_STOP);
    if (dY > 0.8 && dY <= 1.0)
        return SteepChar(dX, CH_BACKSLASH, CH_SLASH, bUpper ? CH_APOSTROPHE : CH_FULL_STOP);
    if (dY > 0.2 && dY <= 0.8)
        return bUpper ? CH_APOSTROPHE : CH_FULL_STOP;
    if (bUpper)
        return dY > -0.8 && dY <= 0.2 ? CH_GRAVE : chCurrent;
    if (dY >= -0.8 && dY < -0.2)
        return bMiddle ? CH_APOSTROPHE : CH_FULL_STOP;
    if (dY >= -0.2 && dY <= 0.2)
        return bMiddle ? CH_HYPHEN : CH_UNDERSCORE;
    return chCurrent;
}

void CAutoLine::Reset(int nCol, int nRow)
{
    m_nHistory = 0;
    m_nLastCol = nCol;
    m_nLastRow = nRow;
}

const CAutoLineEntry& CAutoLine::HistoryAt(int i) const
{
    static const CAutoLineEntry s_empty;
    return i >= 0 && i < m_nHistory ? m_aHistory[i] : s_empty;
}

void CAutoLine::Draw(IAutoLineTarget& target, int nX0, int nY0, int nX1, int nY1, int nCellW,
                     int nCellH)
{
    if (nCellW <= 0 || nCellH <= 0)
        return;
    if (!InPixelRange(nX0) || !InPixelRange(nY0) || !InPixelRange(nX1) || !InPixelRange(nY1))
        return;
    const CLineSteps steps = LineSteps(nX1 - nX0, nY1 - nY0);
    const int nE = nCellH / 6;
    // The anchor is the pixel where the stroke entered the current cell.
    // Pixels and cells truncate towards zero, as the view's mouse-to-cell
    // does; negative remainders only ever meet comparisons.
    int nAnchorX = nX0;
    int nAnchorY = nY0;
    uint8_t ch = CH_SPACE;
    for (int i = 0; i < steps.nSteps; ++i) {
        const float fI = static_cast<float>(i);
        const int nX = static_cast<int>(static_cast<float>(nX0) + fI * steps.fStepX);
        const int nY = static_cast<int>(static_cast<float>(nY0) + fI * steps.fStepY);
        if (nX / nCellW != nAnchorX / nCellW || nY / nCellH != nAnchorY / nCellH) {
            nAnchorX = nX;
            nAnchorY = nY;
        }
        if (nX % nCellW != 0 && nY % nCellH != 0 && i != steps.nSteps - 1)
            continue;
        // Cell heights that are not multiples of 6 leave bottom rows beyond
        // every band; a stroke entering there before any character is chosen
        // takes the lower band's, or slow upward strokes would draw nothing.
        int nL = nAnchorY % nCellH;
        if (ch == CH_SPACE && nL > 6 * nE)
            nL = 6 * nE;
        ch = AutoLineChar(nL, nE, steps.fStepX, steps.fStepY, ch);
        // Until some rule has chosen a character there is nothing to draw;
        // writing the blank would wipe out what the stroke crosses.
        if (ch == CH_SPACE)
            continue;
        Write(target, nAnchorX / nCellW, nAnchorY / nCellH, ch);
    }
}

void CAutoLine::Write(IAutoLineTarget& target, int nCol, int nRow, uint8_t ch)
{
    if (nCol < 0 || nRow < 0 || nCol >= target.Cols() || nRow >= target.Rows())
        return;
    if (nCol != m_nLastCol || nRow != m_nLastRow) {
        m_nLastCol = nCol;
        m_nLastRow = nRow;
        m_aHistory[m_nHistory++] = CAutoLineEntry{nCol, nRow, ch};
        if (m_nHistory == 3)
            SmoothAutoLine(target);
    }
    target.WriteAuto(nCol, nRow, ch);
}

void CAutoLine::SmoothAutoLine(IAutoLineTarget& target)
{
    const CAutoLineEntry& first = m_aHistory[0];
    const CAutoLineEntry& middle = m_aHistory[1];
    const CAutoLineEntry& last = m_aHistory[2];
    // When the third cell touches the first, even diagonally, the second is
    // a corner that only thickens the line.
    if (std::abs(last.nCol - first.nCol) <= 1 && std::abs(last.nRow - first.nRow) <= 1) {
        if (middle.ch != CH_SPACE)
            target.ClearCorner(middle.nCol, middle.nRow);
        m_aHistory[1] = last;
    } else {
        m_aHistory[0] = middle;
        m_aHistory[1] = last;
    }
    m_nHistory = 2;
}
