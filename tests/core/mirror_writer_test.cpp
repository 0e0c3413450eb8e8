// Mirror drawing in the core: where each axis puts a cell's images on odd and
// even grids and near an edge, what a mirrored line writes, and the mirrored
// fill's region and characters.
#include "core/mirror_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// A grid held as text rows: a picture in, a picture out.
class CTextGrid : public ICellWriter {
public:
    explicit CTextGrid(std::vector<std::string> vRows) : m_vRows(std::move(vRows)) {}
    int Cols() const override { return static_cast<int>(m_vRows[0].size()); }
    int Rows() const override { return static_cast<int>(m_vRows.size()); }
    uint8_t GetChar(int c, int r) const override
    {
        return static_cast<uint8_t>(m_vRows.at(r).at(c));
    }
    COLORREF GetColor(int c, int r) const override { return static_cast<COLORREF>(r * 100 + c); }
    void SetCell(int c, int r, uint8_t ch, COLORREF cr) override
    {
        EXPECT_TRUE(c >= 0 && r >= 0 && c < Cols() && r < Rows()) << c << "," << r;
        m_vRows.at(r).at(c) = static_cast<char>(ch);
        m_vColors.push_back(cr);
    }

    std::vector<std::string> m_vRows;
    std::vector<COLORREF> m_vColors;
};

std::string ImagesText(const CMirrorImages& images)
{
    std::string s;
    for (int i = 0; i < images.nCount; ++i)
        s += std::to_string(images.a[i].nCol) + "," + std::to_string(images.a[i].nRow) + ":" +
             static_cast<char>(images.a[i].ch) + " ";
    return s;
}
} // namespace

TEST(MirrorWriter, ImagesFollowTheAxisOnOddAndEvenGrids)
{
    struct SCase {
        const char* pszName;
        CMirrorSettings settings;
        int nCols, nRows, nCol, nRow;
        const char* pszImages;
    };
    const SCase aCases[] = {
        // Even width: the centre lies between columns 2 and 3.
        {"even centre", {EMirrorMode::LeftRight}, 6, 4, 0, 1, "5,1:\\ "},
        {"even centre, next to it", {EMirrorMode::LeftRight}, 6, 4, 2, 1, "3,1:\\ "},
        // Odd width: column 2 is its own image, so a write there stays alone.
        {"odd centre", {EMirrorMode::LeftRight}, 5, 4, 1, 0, "3,0:\\ "},
        {"odd centre, on the axis", {EMirrorMode::LeftRight}, 5, 4, 2, 0, ""},
        {"top-bottom, odd height", {EMirrorMode::TopBottom}, 4, 5, 1, 0, "1,4:\\ "},
        {"four-way", {EMirrorMode::FourWay}, 6, 4, 1, 0, "4,0:\\ 1,3:\\ 4,3:/ "},
        // On the vertical axis only the top-bottom image is new.
        {"four-way on one axis", {EMirrorMode::FourWay}, 5, 4, 2, 0, "2,3:\\ "},
        {"four-way at the centre", {EMirrorMode::FourWay}, 5, 5, 2, 2, ""},
        // An axis one cell from the right edge: the far side has one column.
        {"placed near the edge", {EMirrorMode::LeftRight, 10}, 6, 4, 4, 0, "5,0:\\ "},
        {"placed, image off the grid", {EMirrorMode::LeftRight, 10}, 6, 4, 2, 0, ""},
        {"placed through a column", {EMirrorMode::LeftRight, 3}, 6, 4, 0, 0, "2,0:\\ "},
        {"placed row", {EMirrorMode::TopBottom, MIRROR_AXIS_CENTRE, 2}, 6, 4, 3, 0, "3,1:\\ "},
        {"off", {EMirrorMode::Off}, 6, 4, 0, 0, ""},
    };
    for (const SCase& c : aCases) {
        const CMirror mirror(c.settings, c.nCols, c.nRows);
        EXPECT_EQ(ImagesText(mirror.ImagesOf(c.nCol, c.nRow, '/')), c.pszImages) << c.pszName;
    }
}

TEST(MirrorWriter, WritesEachCellsImagesWithMirroredCharacters)
{
    CTextGrid grid({"      ", "      ", "      ", "      "});
    CMirrorWriter writer(grid, {EMirrorMode::FourWay});
    writer.SetCell(0, 0, '/', 7);
    writer.SetCell(1, 1, '(', 7);
    writer.SetCell(2, 1, 'b', 7);
    const std::vector<std::string> vExpected = {
        "/    \\",
        " (bd) ",
        " (pq) ",
        "\\    /",
    };
    EXPECT_EQ(grid.m_vRows, vExpected);
    // The images are written in the writer's colour.
    EXPECT_EQ(grid.m_vColors, std::vector<COLORREF>(12, 7));
}

TEST(MirrorWriter, FillWritesTheRegionAndItsImagesSeenFromTheSeed)
{
    // A closed box on the left only; the right half holds other ink, which
    // the mirrored region covers.
    CTextGrid grid({
        "####      ",
        "#  #   xx ",
        "####      ",
    });
    EXPECT_EQ(MirroredFloodFill(grid, {EMirrorMode::LeftRight}, 1, 1, '/'), 4);
    const std::vector<std::string> vExpected = {
        "####      ",
        "#//#   \\\\ ",
        "####      ",
    };
    EXPECT_EQ(grid.m_vRows, vExpected);
    // Each filled cell keeps its own colour.
    EXPECT_EQ(grid.m_vColors, (std::vector<COLORREF>{101, 102, 107, 108}));
}

TEST(MirrorWriter, FillAcrossTheAxisIsSymmetric)
{
    // The region spans both sides; seen from the seed on the left, the
    // right half gets the mirrored character and the middle column (odd
    // width) keeps the one drawn.
    CTextGrid grid({
        "#######",
        "#     #",
        "#######",
    });
    EXPECT_EQ(MirroredFloodFill(grid, {EMirrorMode::LeftRight}, 1, 1, '('), 5);
    EXPECT_EQ(grid.m_vRows[1], "#((())#");
}

TEST(MirrorWriter, FillRefusedWritesNothing)
{
    CTextGrid grid({"# ", "  "});
    EXPECT_EQ(MirroredFloodFill(grid, {EMirrorMode::FourWay}, 0, 0, '/'), 0);
    EXPECT_EQ(MirroredFloodFill(grid, {EMirrorMode::FourWay}, 1, 1, ' '), 0);
    EXPECT_TRUE(grid.m_vColors.empty());
}
