// Flips of blocks and frames against hand-made pictures: characters move and
// turn into their mirror images (or keep their shape in a plain flip), colours
// move with them, cells outside the block and layout fields stay put, and one
// undo takes a frame's flip back.
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_flip.h"
#include "core/edit_bracket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using CLines = std::vector<std::string>;
constexpr auto LR = EMirrorAxis::LeftRight;
constexpr auto TB = EMirrorAxis::TopBottom;

// Characters from text lines, each cell's colour its character's code plus
// 1000 times its column, so a colour shows where its cell came from.
void Paint(CharCell* pCells, int nStride, const CLines& vLines)
{
    for (size_t r = 0; r < vLines.size(); ++r) {
        for (size_t c = 0; c < vLines[r].size(); ++c) {
            CharCell& cell = pCells[r * static_cast<size_t>(nStride) + c];
            cell.chChar = static_cast<uint8_t>(vLines[r][c]);
            cell.crColor = static_cast<COLORREF>(cell.chChar + 1000 * c);
            cell.nX = static_cast<int32_t>(c);
            cell.nY = static_cast<int32_t>(r);
        }
    }
}

CLines Text(const CharCell* pCells, int nStride, int nWidth, int nHeight)
{
    CLines vLines(static_cast<size_t>(nHeight));
    for (int r = 0; r < nHeight; ++r)
        for (int c = 0; c < nWidth; ++c)
            vLines[static_cast<size_t>(r)] += static_cast<char>(pCells[r * nStride + c].chChar);
    return vLines;
}

struct CCase {
    const char* pszName;
    EMirrorAxis nAxis;
    EFlipGlyphs glyphs;
    CLines vIn;
    CLines vWant;
};

const CCase CASES[] = {
    {"lr even", LR, EFlipGlyphs::Mirror, {"/(b]", "<pq "}, {"[d)\\", " pq>"}},
    {"lr odd", LR, EFlipGlyphs::Mirror, {"/x(", "b/d"}, {")x\\", "b\\d"}},
    {"tb even",
     TB,
     EFlipGlyphs::Mirror,
     {"/nb", "Mdq", "A!_", "x\\u"},
     {"x/n", "V\xA1_", "Wqd", "\\up"}},
    {"tb odd", TB, EFlipGlyphs::Mirror, {"/n", "bM", "d "}, {"q ", "pW", "\\u"}},
    {"lr plain", LR, EFlipGlyphs::Keep, {"/(b", "ab "}, {"b(/", " ba"}},
    {"tb plain", TB, EFlipGlyphs::Keep, {"/n", "bM"}, {"bM", "/n"}},
};

TEST(CellFlip, BlocksMatchHandMadePictures)
{
    for (const CCase& c : CASES) {
        const int nW = static_cast<int>(c.vIn[0].size());
        const int nH = static_cast<int>(c.vIn.size());
        // The block lies inside a wider, taller grid whose border must stay.
        const int nStride = nW + 2;
        std::vector<CharCell> vGrid(static_cast<size_t>(nStride * (nH + 1)));
        Paint(vGrid.data(), nStride,
              CLines(static_cast<size_t>(nH + 1), std::string(nStride, '#')));
        Paint(vGrid.data(), nStride, c.vIn);
        const std::vector<CharCell> vBefore = vGrid;
        FlipCells(vGrid.data(), nW, nH, nStride, c.nAxis, c.glyphs);
        EXPECT_EQ(Text(vGrid.data(), nStride, nW, nH), c.vWant) << c.pszName;
        for (int r = 0; r <= nH; ++r) {
            for (int col = 0; col < nStride; ++col) {
                const CharCell& now = vGrid[static_cast<size_t>(r * nStride + col)];
                const CharCell& was = vBefore[static_cast<size_t>(r * nStride + col)];
                EXPECT_EQ(now.nX, was.nX);
                EXPECT_EQ(now.nY, was.nY);
                if (r >= nH || col >= nW) {
                    EXPECT_EQ(now.chChar, was.chChar) << c.pszName << " outside the block";
                    continue;
                }
                // The colour came from the mirrored position.
                const int nFromCol = c.nAxis == LR ? nW - 1 - col : col;
                const int nFromRow = c.nAxis == TB ? nH - 1 - r : r;
                EXPECT_EQ(now.crColor,
                          vBefore[static_cast<size_t>(nFromRow * nStride + nFromCol)].crColor)
                    << c.pszName << " at " << col << "," << r;
            }
        }
    }
}

TEST(CellFlip, FrameFlipIsOneUndoStep)
{
    CArtDoc doc;
    doc.SetCanvasSize(3, 4);
    ASSERT_TRUE(doc.OnNewDocument());
    const CLines vPicture = {"/(  ", " bn ", "M  _"};
    {
        CUnrecordedEdit fill(doc);
        ASSERT_TRUE(fill.CanWrite());
        Paint(doc.GetCurCells(), 4, vPicture);
    }
    const int nKey = doc.RegisterFrame();
    ASSERT_TRUE(FlipDocFrame(doc, nKey, LR, EFlipGlyphs::Mirror));
    EXPECT_EQ(Text(doc.GetCurCells(), 4, 4, 3), (CLines{"  )\\", " nd ", "_  M"}));
    ASSERT_TRUE(FlipDocFrame(doc, nKey, TB, EFlipGlyphs::Mirror));
    EXPECT_EQ(Text(doc.GetCurCells(), 4, 4, 3), (CLines{"_  W", " uq ", "  )/"}));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(Text(doc.GetCurCells(), 4, 4, 3), (CLines{"  )\\", " nd ", "_  M"}));
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(Text(doc.GetCurCells(), 4, 4, 3), vPicture);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(FlipDocFrame(doc, nKey + 1, LR, EFlipGlyphs::Mirror));
}
} // namespace
