// Flips of blocks and frames against hand-made pictures: characters move and
// turn into their mirror images (or keep their shape in a plain flip),
// colours move with them, layout fields and cells outside the block stay put.
#include "core/art_doc.h"
#include "core/cell_flip.h"
#include "core/edit_bracket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using CLines = std::vector<std::string>;
constexpr auto LR = EMirrorAxis::LeftRight;
constexpr auto TB = EMirrorAxis::TopBottom;

// Characters from text lines; each cell's colour and position name the cell.
void Paint(CharCell* pCells, int nStride, const CLines& vLines)
{
    for (size_t r = 0; r < vLines.size(); ++r)
        for (size_t c = 0; c < vLines[r].size(); ++c)
            pCells[r * size_t(nStride) + c] = {
                COLORREF(100 * r + c), int32_t(c), int32_t(r), uint8_t(vLines[r][c]), {}};
}

CLines Text(const CharCell* pCells, int nStride, int nWidth, int nHeight)
{
    CLines vLines(static_cast<size_t>(nHeight));
    for (int i = 0; i < nWidth * nHeight; ++i)
        vLines[size_t(i / nWidth)] += char(pCells[(i / nWidth) * nStride + i % nWidth].chChar);
    return vLines;
}

TEST(CellFlip, EveryMirrorUndoesItself)
{
    for (EMirrorAxis nAxis : {LR, TB})
        for (int ch = 0; ch < 256; ++ch)
            EXPECT_EQ(MirrorGlyph(MirrorGlyph(uint8_t(ch), nAxis), nAxis), ch) << ch;
}

TEST(CellFlip, BlocksMatchHandMadePictures)
{
    const struct {
        EMirrorAxis nAxis;
        EFlipGlyphs glyphs;
        CLines vIn, vWant;
    } cases[] = {
        {LR, EFlipGlyphs::Mirror, {"/(b]", "<pq "}, {"[d)\\", " pq>"}},
        {LR, EFlipGlyphs::Mirror, {"/x(", "b/d"}, {")x\\", "b\\d"}},
        {TB, EFlipGlyphs::Mirror, {"/nb", "Mdq", "A!_", "x\\u"}, {"x/n", "V\xA1_", "Wqd", "\\up"}},
        {TB, EFlipGlyphs::Mirror, {"/n", "bM", "d "}, {"q ", "pW", "\\u"}},
        {LR, EFlipGlyphs::Keep, {"/(b", "ab "}, {"b(/", " ba"}},
        {TB, EFlipGlyphs::Keep, {"/n", "bM"}, {"bM", "/n"}},
    };
    for (const auto& c : cases) {
        // The block lies inside a grid two columns wider and a row taller,
        // whose border must stay.
        const int nW = int(c.vIn[0].size()), nH = int(c.vIn.size()), nStride = nW + 2;
        std::vector<CharCell> vGrid(size_t(nStride * (nH + 1)));
        Paint(vGrid.data(), nStride, CLines(size_t(nH + 1), std::string(size_t(nStride), '#')));
        Paint(vGrid.data(), nStride, c.vIn);
        FlipCells(vGrid.data(), nW, nH, nStride, c.nAxis, c.glyphs);
        CLines vWant = c.vWant;
        for (std::string& str : vWant)
            str += "##";
        vWant.push_back(std::string(size_t(nStride), '#'));
        EXPECT_EQ(Text(vGrid.data(), nStride, nStride, nH + 1), vWant) << c.vIn[0];
        // Colours came along from the mirrored place; positions stayed.
        for (int i = 0; i < nW * nH; ++i) {
            const int r = i / nW, col = i % nW;
            const int nFrom = c.nAxis == LR ? 100 * r + nW - 1 - col : 100 * (nH - 1 - r) + col;
            const CharCell& cell = vGrid[size_t(r * nStride + col)];
            EXPECT_TRUE(cell.crColor == COLORREF(nFrom) && cell.nX == col && cell.nY == r)
                << c.vIn[0] << " cell " << i;
        }
    }
}

TEST(CellFlip, FrameFlipIsOneUndoStep)
{
    CArtDoc doc;
    doc.SetCanvasSize(3, 4);
    ASSERT_TRUE(doc.OnNewDocument());
    const CLines vPicture = {"/(  ", " bn ", "M  _"}, vLeftRight = {"  )\\", " nd ", "_  M"};
    {
        CUnrecordedEdit fill(doc);
        ASSERT_TRUE(fill.CanWrite());
        Paint(doc.GetCurCells(), 4, vPicture);
    }
    const int nKey = doc.RegisterFrame();
    const auto shown = [&] { return Text(doc.GetCurCells(), 4, 4, 3); };
    ASSERT_TRUE(FlipDocFrame(doc, nKey, LR, EFlipGlyphs::Mirror));
    EXPECT_EQ(shown(), vLeftRight);
    ASSERT_TRUE(FlipDocFrame(doc, nKey, TB, EFlipGlyphs::Mirror));
    EXPECT_EQ(shown(), (CLines{"_  W", " uq ", "  )/"}));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(shown(), vLeftRight);
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(shown(), vPicture);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(FlipDocFrame(doc, nKey + 1, LR, EFlipGlyphs::Mirror));
}
} // namespace
