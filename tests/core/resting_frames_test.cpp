// Frames smaller than a page rest outside a store until they are current,
// invisibly: cells, file, undo and the autosave snapshot are as if every
// frame had its store, and 65,536 one-cell frames take no page each.
#include "backup_test_support.h"
#include "gwp_test_support.h"

#include "core/edit_bracket.h"
#include "core/gwp_writer.h"
#include "core/frame_snapshot.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using gwptest::CellBytes;
using gwptest::HandBuiltFile;

long ResidentKb()
{
    std::ifstream in("/proc/self/status");
    for (std::string str; std::getline(in, str);)
        if (str.rfind("VmRSS:", 0) == 0)
            return std::stol(str.substr(6));
    return -1;
}

std::string FrameOf(const std::string& strFile, int nFrame, std::size_t nBytes = 128)
{
    return strFile.substr(GWP_HEADER_SIZE + nFrame * nBytes, nBytes);
}

TEST(RestingFrames, WakeWhenCurrentRestWhenIdleAndKeepTheirHistory)
{
    const std::string strFile = HandBuiltFile(3, 4, 2); // 128 bytes a frame
    CArtDoc doc;
    ASSERT_EQ(gwptest::OpenInto(doc, strFile, nullptr), EGwpResult::Ok);
    ASSERT_NE(doc.GetCurHistory(), 0) << "the current frame is writable";
    for (int nKey : {0, 1})
        EXPECT_EQ(doc.GetFrameHistory(nKey), 0) << "frame " << nKey << " rests";
    auto pSnap = CFrameSnapshot::Take(doc);
    ASSERT_TRUE(pSnap);

    doc.SelectFrame(0); // woken: a store of its own, the same cells
    const auto nStore0 = static_cast<unsigned>(doc.GetCurHistory());
    ASSERT_NE(nStore0, 0u);
    EXPECT_EQ(CellBytes(doc.GetCurCells(), doc), FrameOf(strFile, 0));
    CEditBracket edit(doc);
    ASSERT_TRUE(edit.BeginEdit());
    doc.GetCurCells()[1].chChar = '#';
    EXPECT_EQ(edit.EndEdit(), EEditEnd::Closed);

    doc.SelectFrame(1);
    doc.RestIdleFrames();
    EXPECT_EQ(doc.GetFrameHistory(0), int(nStore0)) << "a frame with history stays awake";
    EXPECT_EQ(doc.GetFrameHistory(2), 0) << "an idle frame rests";
    EXPECT_EQ(GwpSerialize(doc).substr(GWP_HEADER_SIZE + 2 * 128), FrameOf(strFile, 2));

    // The snapshot taken before any of this still reads every frame as it was.
    std::vector<CharCell> vCells(8);
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(pSnap->ReadFrame(std::size_t(n), vCells.data())) << n;
        EXPECT_EQ(CellBytes(vCells.data(), doc), FrameOf(strFile, n)) << n;
    }
    doc.SelectFrame(0);
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(CellBytes(doc.GetCurCells(), doc), FrameOf(strFile, 0));
}

TEST(RestingFrames, SixtyFiveThousandOneCellFramesTakeLittleMemory)
{
    if (gwtest::kAddressSanitizer)
        GTEST_SKIP() << "the sanitizer's shadow memory makes the figure meaningless";
    const std::string strFile = HandBuiltFile(65536, 1, 1);
    const long nBefore = ResidentKb();
    CArtDoc doc;
    ASSERT_EQ(gwptest::OpenInto(doc, strFile, nullptr), EGwpResult::Ok);
    const long nGrowth = ResidentKb() - nBefore; // a store each took 1 GB
    EXPECT_LT(nGrowth, 48 * 1024) << nGrowth << " KB for 65,536 frames";
    EXPECT_EQ(GwpSerialize(doc), strFile);
}

} // namespace
