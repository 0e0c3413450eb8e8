// The terminal exports read back as a terminal would: the coloured output is
// parsed into characters and a colour per cell and compared with the cells,
// and the plain UTF-8 output must be the same characters without the colour.
#include "core/terminal_export.h"
#include "export_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {
using gwtest::Shown;
constexpr COLORREF kBack = 0x332211;

TEST(TerminalExport, ReadsBackAsTheCells)
{
    std::string strLargeRows;
    for (int r = 0; r < 80; ++r)
        strLargeRows += std::string(128, 'x') + '\n';
    struct Case {
        const char* szName;
        int nRows, nCols;
        std::string strBytes;          // row after row
        std::vector<COLORREF> vColors; // per cell; empty: a different colour in every cell
        std::string strShown;          // what a terminal shows, as UTF-8 with LF after each row
    } const vCases[] = {
    // clang-format off
        {"colours and runs", 2, 4, "abcdefgh", {0xFF, 0xFF, 0xFF00, 0xFF, 1, 1, 1, 1}, "abcd\nefgh\n"},
        {"bytes above 127", 1, 6, "\x80\xE9\x9F\xFF\xA0\x99", {1, 1, 1, 1, 1, 1}, "€é\u0178ÿ\u00A0™\n"},
        {"trailing spaces", 2, 3, "a  b  ", {7, 7, 7, 7, 7, 7}, "a  \nb  \n"},
        {"control bytes", 1, 9, std::string("\x1b[2J\0\n\r\x7F\x9D", 9), std::vector<COLORREF>(9, 5),
         " [2J     \n"},
        {"unassigned bytes", 1, 5, "\x81\x8D\x8F\x90\x9D", {5, 5, 5, 5, 5}, "     \n"},
        {"one cell", 1, 1, "Q", {0x030201}, "Q\n"},
        {"largest", 80, 128, std::string(80 * 128, 'x'), {}, strLargeRows},
    };
    // clang-format on
    for (const Case& tc : vCases) {
        SCOPED_TRACE(tc.szName);
        std::vector<CharCell> vCells;
        std::vector<COLORREF> vColors = tc.vColors;
        int nRuns = 0;
        for (size_t n = 0; n < tc.strBytes.size(); ++n) {
            if (tc.vColors.empty())
                vColors.push_back((n * 0x010203) & 0xFFFFFF);
            vCells.push_back(CharCell{vColors[n], 0, 0, static_cast<uint8_t>(tc.strBytes[n]), {}});
            nRuns += n % tc.nCols == 0 || vColors[n] != vColors[n - 1];
        }
        std::ostringstream osAnsi, osUtf8;
        ExportAnsiText(osAnsi, vCells.data(), tc.nRows, tc.nCols, kBack);
        ExportUtf8Text(osUtf8, vCells.data(), tc.nRows, tc.nCols);
        Shown shown;
        gwtest::ReadAnsi(osAnsi.str(), shown, kBack);
        EXPECT_EQ(shown.strText, tc.strShown);
        EXPECT_EQ(shown.vColors, vColors);
        EXPECT_EQ(shown.nForeEscapes, nRuns);
        EXPECT_EQ(osUtf8.str(), tc.strShown);
        // The exact bytes once, against a reader as lenient as the writer.
        if (vCells.size() == 1) {
            EXPECT_EQ(osAnsi.str(), "\x1b[48;2;17;34;51m\x1b[38;2;1;2;3mQ\x1b[0m\n");
        }
    }
}
} // namespace
