// The terminal exports read back as a terminal would: the coloured output is
// parsed into characters and a colour per cell and compared with the cells,
// and the plain UTF-8 output must be the same characters without the colour.
#include "core/terminal_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {
constexpr COLORREF kBack = 0x332211;

// The coloured export as a terminal shows it: the characters (UTF-8, LF at
// each row's reset) and the colour of each. Every row must open with the
// background and close with the reset, and no control character may be left.
struct Shown { std::string strText; std::vector<COLORREF> vColors; int nForeEscapes = 0; };

void ReadAnsi(const std::string& str, Shown& shown)
{
    COLORREF crFore = 0;
    bool bRowOpen = false;
    for (size_t i = 0; i < str.size();) {
        int nSgr = 0, nLen = 0;
        unsigned r = 256, g = 256, b = 256;
        if (std::sscanf(str.c_str() + i, "\x1b[%d;2;%u;%u;%um%n", &nSgr, &r, &g, &b, &nLen) == 4) {
            ASSERT_TRUE(r < 256 && g < 256 && b < 256);
            const COLORREF cr = r | g << 8 | b << 16;
            ASSERT_EQ(nSgr, bRowOpen ? 38 : 48) << "at " << i;
            EXPECT_TRUE(nSgr == 38 || cr == kBack) << "background at " << i;
            shown.nForeEscapes += nSgr == 38;
            crFore = nSgr == 38 ? cr : crFore;
            bRowOpen = true;
            i += static_cast<size_t>(nLen);
        } else if (str.compare(i, 5, "\x1b[0m\n") == 0) {
            shown.strText += '\n';
            bRowOpen = false;
            i += 5;
        } else {
            const auto c = static_cast<unsigned char>(str[i]);
            const size_t nLen = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
            const auto cLast = static_cast<unsigned char>(str.at(i + nLen - 1));
            EXPECT_FALSE(c < 0x20 || c == 0x7F || (c == 0xC2 && cLast < 0xA0))
                << "control at " << i;
            ASSERT_TRUE(bRowOpen) << "character outside a row at " << i;
            shown.strText += str.substr(i, nLen);
            shown.vColors.push_back(crFore);
            i += nLen;
        }
    }
    EXPECT_FALSE(bRowOpen) << "last row not reset";
}

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
        ReadAnsi(osAnsi.str(), shown);
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
