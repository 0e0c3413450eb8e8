// Mirror drawing in the core: where each axis puts a cell's images, what a
// mirrored write puts there, and the mirrored fill's region and characters.
#include "core/mirror_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
using CLines = std::vector<std::string>;

// A grid held as text rows; each cell's colour names its place.
class CTextGrid : public ICellWriter {
public:
    explicit CTextGrid(CLines vRows) : m_vRows(std::move(vRows)) {}
    int Cols() const override { return int(m_vRows[0].size()); }
    int Rows() const override { return int(m_vRows.size()); }
    uint8_t GetChar(int c, int r) const override { return uint8_t(m_vRows.at(r).at(c)); }
    COLORREF GetColor(int c, int r) const override { return COLORREF(r * 100 + c); }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        EXPECT_TRUE(c >= 0 && r >= 0 && c < Cols() && r < Rows()) << c << "," << r;
        m_vRows.at(r).at(c) = char(ch);
        m_vColors.push_back(cr);
    }
    CLines m_vRows;
    std::vector<COLORREF> m_vColors;
};
} // namespace

TEST(MirrorWriter, ImagesFollowTheAxisOnOddAndEvenGrids)
{
    const struct {
        const char* pszName;
        CMirrorSettings settings;
        int nCols, nRows, nCol, nRow;
        const char* pszImages;
    } aCases[] = {
        {"even centre", {EMirrorMode::LeftRight}, 6, 4, 0, 1, "5,1:\\ "},
        {"even centre, next to it", {EMirrorMode::LeftRight}, 6, 4, 2, 1, "3,1:\\ "},
        {"odd centre", {EMirrorMode::LeftRight}, 5, 4, 1, 0, "3,0:\\ "},
        {"odd centre, on the axis", {EMirrorMode::LeftRight}, 5, 4, 2, 0, ""},
        {"top-bottom, odd height", {EMirrorMode::TopBottom}, 4, 5, 1, 0, "1,4:\\ "},
        {"four-way", {EMirrorMode::FourWay}, 6, 4, 1, 0, "4,0:\\ 1,3:\\ 4,3:/ "},
        {"four-way on one axis", {EMirrorMode::FourWay}, 5, 4, 2, 0, "2,3:\\ "},
        {"four-way at the centre", {EMirrorMode::FourWay}, 5, 5, 2, 2, ""},
        {"placed near the edge", {EMirrorMode::LeftRight, 10}, 6, 4, 4, 0, "5,0:\\ "},
        {"placed, image off the grid", {EMirrorMode::LeftRight, 10}, 6, 4, 2, 0, ""},
        {"placed through a column", {EMirrorMode::LeftRight, 3}, 6, 4, 0, 0, "2,0:\\ "},
        {"placed row", {EMirrorMode::TopBottom, MIRROR_AXIS_CENTRE, 2}, 6, 4, 3, 0, "3,1:\\ "},
        {"off", {EMirrorMode::Off}, 6, 4, 0, 0, ""},
    };
    for (const auto& c : aCases) {
        const CMirrorImages images =
            CMirror(c.settings, c.nCols, c.nRows).ImagesOf(c.nCol, c.nRow, '/');
        std::string s;
        for (int i = 0; i < images.nCount; ++i)
            s += std::to_string(images.a[i].nCol) + "," + std::to_string(images.a[i].nRow) + ":" +
                 char(images.a[i].ch) + " ";
        EXPECT_EQ(s, c.pszImages) << c.pszName;
    }
}

TEST(MirrorWriter, WritesEachCellsImagesWithMirroredCharactersInItsColour)
{
    CTextGrid grid({"      ", "      ", "      ", "      "});
    CMirrorWriter writer(grid, {EMirrorMode::FourWay});
    writer.SetCell(0, 0, '/', 7);
    writer.SetCell(1, 1, '(', 7);
    writer.SetCell(2, 1, 'b', 7);
    EXPECT_EQ(grid.m_vRows, (CLines{"/    \\", " (bd) ", " (pq) ", "\\    /"}));
    EXPECT_EQ(grid.m_vColors, std::vector<COLORREF>(12, 7));
}

// Seen from the seed: each filled cell keeps its colour, the mirrored region
// covers other ink, an odd width's middle column keeps the drawn character,
// and a refused fill writes nothing.
TEST(MirrorWriter, FillWritesTheRegionAndItsImages)
{
    const CMirrorSettings LR{EMirrorMode::LeftRight}, FOUR{EMirrorMode::FourWay};
    const struct {
        CMirrorSettings settings;
        CLines vIn;
        int nCol, nRow;
        char ch;
        CLines vWant;
        std::vector<COLORREF> vColors;
    } aCases[] = {
        {LR, {"#  #   xx "}, 1, 0, '/', {"#//#   \\\\ "}, {1, 2, 7, 8}},
        {LR, {"#     #"}, 1, 0, '(', {"#((())#"}, {1, 2, 3, 4, 5}},
        {FOUR, {"# ", "  "}, 0, 0, '/', {"# ", "  "}, {}},
        {FOUR, {"# ", "  "}, 1, 1, ' ', {"# ", "  "}, {}},
    };
    for (const auto& c : aCases) {
        CTextGrid grid(c.vIn);
        const int nFilled = MirroredFloodFill(grid, c.settings, c.nCol, c.nRow, uint8_t(c.ch));
        EXPECT_EQ(nFilled, int(c.vColors.size())) << c.vIn[0];
        EXPECT_EQ(grid.m_vRows, c.vWant);
        std::sort(grid.m_vColors.begin(), grid.m_vColors.end());
        EXPECT_EQ(grid.m_vColors, c.vColors) << c.vIn[0];
    }
}
