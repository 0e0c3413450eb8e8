// The auto-draw line: the character table by band and step, whole strokes
// drawn as pictures, corner smoothing, and input it must refuse.
#include "core/auto_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

namespace {
// A 10 x 5 grid logging "W<col><row><ch>" and "C<col><row>"; an off-grid cell
// or a blank written fails the test.
struct CFakeTarget : IAutoLineTarget {
    std::vector<std::string> vRows = std::vector<std::string>(5, std::string(10, ' '));
    std::string sLog;
    int Cols() const override { return static_cast<int>(vRows[0].size()); }
    int Rows() const override { return static_cast<int>(vRows.size()); }
    void WriteAuto(int c, int r, uint8_t ch) override { Put(c, r, static_cast<char>(ch)); }
    void ClearCorner(int c, int r) override { Put(c, r, 0); }
    void Put(int c, int r, char ch)
    {
        ASSERT_TRUE(c >= 0 && r >= 0 && c < Cols() && r < Rows() && ch != ' ') << c << "," << r;
        vRows[r][c] = ch ? ch : ' ';
        sLog += std::string{ch ? 'W' : 'C', static_cast<char>('0' + c), static_cast<char>('0' + r)};
        sLog += ch ? std::string(1, ch) : "";
    }
    std::string Picture() const // rows joined by newlines, trailing blanks dropped
    {
        std::string s;
        for (const std::string& row : vRows)
            s += row.substr(0, row.find_last_not_of(' ') + 1) + "\n";
        return s.erase(s.find_last_not_of('\n') + 1);
    }
};
} // namespace

TEST(AutoLineChar, ChoosesByBandAndStep)
{
    // (X, Y) pairs on both sides of every limit; 0.2f and 0.8f lie just
    // beyond 0.2 and 0.8, so they count as above them.
    const float aSteps[][2] = {
        {1, -1},     {0, -1},      {-1, -1},   {0.8f, -1},  {0.79f, -1}, {0.19f, -1}, {0.2f, -1},
        {-0.8f, -1}, {-0.79f, -1}, {1, -0.8f}, {1, -0.79f}, {1, -0.2f},  {1, -0.19f}, {1, 0},
        {1, 0.19f},  {1, 0.2f},    {1, 0.79f}, {1, 0.8f},   {1, 1},      {0, 1},      {-1, 1},
        {0.79f, 1},  {0.19f, 1},   {0.2f, 1},  {-0.8f, 1},  {-0.79f, 1}};
    // e = 2; '#' is the current character, kept where no rule applies.
    const auto expect = [&](std::initializer_list<int> lL, const std::string& sWant) {
        for (int nL : lL) {
            std::string sGot;
            for (const auto& step : aSteps)
                sGot += static_cast<char>(AutoLineChar(nL, 2, step[0], step[1], '#'));
            EXPECT_EQ(sGot, sWant) << "L " << nL;
        }
    };
    expect({0, 4, -3}, "||||||||||`````''\\\\|/'|'/'"); // upper band; -3 from above the canvas
    expect({5, 8}, "/|\\/'|'\\'/''---..\\\\|/.|./.");
    expect({9, 12}, "/|\\/.|.\\./..___..\\\\|/.|./.");
    expect({13}, std::string(26, '#'));
}

TEST(AutoLineStroke, DrawsThesePictures)
{
    struct Row {
        int a[6]; // x0, y0, x1, y1, cell width, cell height
        const char* pszWant;
    };
    const Row aRows[] = {
        // Through the upper, middle and lower third of 12-pixel cells (e = 2); leftwards the
        // start cell is written at x = 40 and the last pixel (x = 1) writes column 0.
        {{0, 16, 40, 16, 8, 12}, "\n`````"},
        {{0, 17, 40, 17, 8, 12}, "\n-----"},
        {{40, 21, 0, 21, 8, 12}, "\n______"},
        // Steep: the corners (1,1) and (4,2) of the 45-degree line are smoothed away.
        {{0, 0, 48, 48, 8, 12}, "\\\\\n  \\\n   \\\n    \\\\"},
        {{79, 0, 31, 48, 8, 12}, "         /\n       //\n      /\n    //"},
        {{4, 59, 4, -1, 8, 12}, "|\n|\n|\n|\n|"},
        {{0, 47, 48, -1, 12, 12}, "   /\n  /\n /\n/"}, // each cell entered at its bottom row
        // Gently down (Y = 0.5): cells entered at L 0 or 4 get apostrophes, at L 8 full stops.
        {{0, 0, 80, 40, 8, 12}, "''.\n   ''.\n      ''.\n         '"},
        // Mid-cell starts: that cell is written on its first column or row, or at the end.
        {{3, 2, 20, 2, 8, 12}, " ``"},
        {{3, 2, 7, 2, 8, 12}, "`"},
        {{3, 14, 3, 0, 8, 12}, "|\n|"},
        // 8 x 8 cells (e = 1): (3,0), entered at L = 7, beyond every band, keeps the accent;
        // upwards the first cell, with nothing chosen yet, takes the lower band's bar.
        {{0, 10, 32, 6, 8, 8}, "   `\n```"},
        {{4, 23, 4, 0, 8, 8}, "|\n|\n|"}};
    for (const Row& r : aRows) {
        CFakeTarget target;
        CAutoLine line;
        line.Reset(r.a[0] / r.a[4], r.a[1] / r.a[5]);
        line.Draw(target, r.a[0], r.a[1], r.a[2], r.a[3], r.a[4], r.a[5]);
        EXPECT_EQ(target.Picture(), r.pszWant) << r.a[0] << "," << r.a[1] << " -> " << r.a[2];
    }
}

TEST(AutoLineStroke, StrokesEnteringBelowTheLowerBandStillDraw)
{
    // Heights that are not multiples of 6 leave bottom rows beyond 6e; a
    // stroke entering there takes the lower band's character.
    for (int nH : {9, 14, 21, 28}) {
        CFakeTarget up, across;
        CAutoLine line;
        line.Reset(0, 4);
        line.Draw(up, 4, 5 * nH - 1, 4, -1, 8, nH);
        line.Reset(0, 0);
        line.Draw(across, 0, nH - 1, 80, nH - 1, 8, nH);
        EXPECT_EQ(up.Picture(), "|\n|\n|\n|\n|") << nH;
        EXPECT_EQ(across.Picture(), std::string(10, '_')) << nH;
    }
}

TEST(AutoLineStroke, SmoothingClearsTheMiddleOfAnLBeforeWritingTheThird)
{
    CFakeTarget target;
    CAutoLine line;
    line.Reset(0, 1);
    line.Draw(target, 4, 18, 20, 18, 8, 12);
    line.Draw(target, 20, 18, 20, 30, 8, 12);
    EXPECT_EQ(target.sLog, "W11-W21-W21-C21W22|W22|");
    ASSERT_EQ(line.HistoryCount(), 2);
    EXPECT_EQ(line.HistoryAt(0).nCol * 10 + line.HistoryAt(0).nRow, 11);
    EXPECT_EQ(line.HistoryAt(1).ch, '|');
    EXPECT_EQ(line.LastCol() * 10 + line.LastRow(), 22);
}

TEST(AutoLineStroke, OffGridCellsAndUnusableInputLeaveTheHistoryAlone)
{
    CFakeTarget target;
    CAutoLine line;
    line.Reset(5, 5);
    // Pixels -1 .. -7 truncate into column 0; -8 and on, and x >= 80, are off the grid.
    const int aDraws[][6] = {
        {4, 6, -30, 6, 8, 12},           {76, 6, 120, 6, 8, 12},
        {0, 0, 20, 20, 0, 12},           {0, 0, 20, 20, 8, -12},
        {INT_MIN, 0, INT_MAX, 0, 8, 12}, {0, 0, AUTO_LINE_PIXEL_LIMIT + 1, 0, 8, 12}};
    for (const auto& d : aDraws)
        line.Draw(target, d[0], d[1], d[2], d[3], d[4], d[5]);
    EXPECT_EQ(target.sLog, "W00-");
    EXPECT_EQ(line.HistoryCount(), 1);
    EXPECT_EQ(line.LastCol() + line.LastRow(), 0);
    EXPECT_EQ(line.HistoryAt(7).ch, ' '); // past the count: an empty entry
}
