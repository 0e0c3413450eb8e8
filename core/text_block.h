// A text turned into a block of cells: lines end at CR LF, every other byte
// (a lone CR or LF, a TAB unless expanded) is a character of its line; lines shorter than the
// widest are padded with spaces, and whatever lies beyond the canvas's
// columns and rows is dropped. The clipboard's text and the imports' texts
// become floating blocks this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct CTextBlock {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<uint8_t> vChars; // nWidth x nHeight, row-major

    uint8_t At(int nCol, int nRow) const
    {
        return vChars[static_cast<size_t>(nRow) * static_cast<size_t>(nWidth) +
                      static_cast<size_t>(nCol)];
    }
};

// Longer texts are cut to this many bytes before the scan: the scan's
// position and line counter are 16-bit, and a canvas holds far less anyway.
inline constexpr size_t TEXT_BLOCK_MAX_BYTES = 65535;

// Scans text up to its first zero byte (or its end) into a block for a
// canvas of nCols x nRows cells. Returns false when nothing would be placed:
// no character on any line. A text ending with CR LF gets an empty last row.
// With bExpandTabs a TAB becomes spaces up to the next multiple of 8
// columns: the canvas shows a TAB blank but text exports write it as a TAB,
// so pasted text would shift.
bool ScanTextBlock(std::string_view text, int nCols, int nRows, CTextBlock& block,
                   bool bExpandTabs = false);
