// Texts scanned into blocks: line ends, padding, the canvas's limits, and the
// cut that keeps a huge text's scan finite.
#include "core/text_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// The block's rows as strings.
std::vector<std::string> Rows(const CTextBlock& block)
{
    std::vector<std::string> v;
    for (int r = 0; r < block.nHeight; ++r) {
        std::string s;
        for (int c = 0; c < block.nWidth; ++c)
            s += static_cast<char>(block.At(c, r));
        v.push_back(s);
    }
    return v;
}
} // namespace

TEST(TextBlock, LinesBecomePaddedRowsCutToTheCanvas)
{
    struct Row {
        std::string strText;
        int nCols, nRows;
        std::vector<std::string> expected;
        bool bExpandTabs = false;
    };
    const Row rows[] = {
        {"ab\r\ncde", 80, 128, {"ab ", "cde"}},
        {"ab\r\n", 80, 128, {"ab", "  "}},
        // A lone LF or CR and a TAB are characters of their line.
        {"a\nb\rc\td", 80, 128, {"a\nb\rc\td"}},
        // Long lines are cut at the last column, extra lines dropped.
        {"abcdef\r\nxy\r\nzz", 4, 2, {"abcd", "xy  "}},
        {std::string("ab\0cd", 5), 80, 128, {"ab"}},
        {"\r\n\r\nq", 80, 128, {" ", " ", "q"}},
        // Expanded, a TAB runs to the next 8-column stop, even past the canvas.
        {"a\tb", 80, 128, {"a       b"}, true},
        {"abcdefgh\tx\r\n\ty", 80, 128, {"abcdefgh        x", "        y        "}, true},
        {"ab\tc\t", 4, 128, {"ab  "}, true},
    };
    for (const Row& row : rows) {
        CTextBlock block;
        ASSERT_TRUE(ScanTextBlock(row.strText, row.nCols, row.nRows, block, row.bExpandTabs))
            << row.strText;
        EXPECT_EQ(Rows(block), row.expected) << row.strText;
    }
}

TEST(TextBlock, TextsWithoutACharacterPlaceNothing)
{
    CTextBlock block;
    for (const std::string& str : {std::string(), std::string("\r\n\r\n"), std::string("\0a", 2)})
        EXPECT_FALSE(ScanTextBlock(str, 80, 128, block));
    EXPECT_FALSE(ScanTextBlock("abc", 0, 128, block));
}

TEST(TextBlock, AHugeTextIsCutBeforeTheScan)
{
    // 40,000 two-line units: without the cut the 16-bit line counter would
    // wrap. Only the first 65,535 bytes count, and only the canvas is kept.
    std::string str;
    for (int i = 0; i < 40000; ++i)
        str += "x\r\n";
    str += "tail";
    CTextBlock block;
    ASSERT_TRUE(ScanTextBlock(str, 80, 128, block));
    EXPECT_EQ(block.nWidth, 1);
    EXPECT_EQ(block.nHeight, 128);
    // A single line of a million bytes: cut to the canvas's width.
    ASSERT_TRUE(ScanTextBlock(std::string(1000000, 'y'), 80, 128, block));
    EXPECT_EQ(block.nWidth, 80);
    EXPECT_EQ(block.nHeight, 1);
}
