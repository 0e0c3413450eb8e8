#include "core/text_block.h"

#include <algorithm>

namespace {
constexpr int TAB_STOP = 8;
} // namespace

bool ScanTextBlock(std::string_view text, int nCols, int nRows, CTextBlock& block,
                   bool bExpandTabs)
{
    block = {};
    if (nCols <= 0 || nRows <= 0)
        return false;
    text = text.substr(0, std::min(text.size(), TEXT_BLOCK_MAX_BYTES));
    if (const size_t nZero = text.find('\0'); nZero != std::string_view::npos)
        text = text.substr(0, nZero);

    // Only cells on the canvas are kept, so the grid is the canvas at most.
    const auto nGridCols = static_cast<size_t>(nCols);
    std::vector<uint8_t> vGrid(nGridCols * static_cast<size_t>(nRows), ' ');
    int nCol = 0;
    int nLine = 0;
    int nWidest = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++nLine;
            nWidest = std::max(nWidest, nCol);
            nCol = 0;
            ++i;
            continue;
        }
        // The grid is already spaces; the text is cut short enough that the
        // column cannot overflow.
        if (bExpandTabs && text[i] == '\t') {
            nCol = (nCol / TAB_STOP + 1) * TAB_STOP;
            continue;
        }
        if (nCol < nCols && nLine < nRows)
            vGrid[static_cast<size_t>(nLine) * nGridCols + static_cast<size_t>(nCol)] =
                static_cast<uint8_t>(text[i]);
        ++nCol;
    }
    nWidest = std::max(nWidest, nCol);
    if (nWidest == 0)
        return false;

    block.nWidth = std::min(nWidest, nCols);
    block.nHeight = std::min(nLine + 1, nRows);
    block.vChars.resize(static_cast<size_t>(block.nWidth) * static_cast<size_t>(block.nHeight));
    for (int r = 0; r < block.nHeight; ++r)
        std::copy_n(vGrid.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(r) * nGridCols),
                    block.nWidth,
                    block.vChars.begin() +
                        static_cast<std::ptrdiff_t>(static_cast<size_t>(r) *
                                                    static_cast<size_t>(block.nWidth)));
    return true;
}
