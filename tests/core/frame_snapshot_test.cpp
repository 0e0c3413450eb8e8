// Frame snapshots: whatever changes the frames after the snapshot, and on
// whichever thread it is read, it gives the cells as they were when taken.
#include "core/frame_snapshot.h"

#include "core/backup_store.h"
#include "gwp_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>

namespace {

using namespace gwptest;

// The cells of every frame, in key order, as a file would hold them.
std::vector<std::string> FramesNow(const CArtDoc& doc)
{
    const std::size_t nBytes = std::size_t(doc.GetCellCount()) * sizeof(CharCell);
    std::vector<std::string> v;
    for (const auto& [nKey, pCells] : doc.GetFrames())
        v.emplace_back(reinterpret_cast<const char*>(pCells), nBytes);
    return v;
}

// Every frame as read, or as written to a file at its place (which must
// then hold what the writer was given back).
std::vector<std::string> ReadAll(CFrameSnapshot& snap, bool bThroughFile = false)
{
    std::vector<std::string> v;
    std::vector<CharCell> buf(snap.CellsPerFrame());
    const std::size_t nBytes = buf.size() * sizeof(CharCell);
    std::unique_ptr<FILE, int (*)(FILE*)> pFile(bThroughFile ? std::tmpfile() : nullptr,
                                                &std::fclose);
    for (std::size_t n = 0; n < snap.FrameCount(); ++n) {
        if (!pFile) {
            EXPECT_TRUE(snap.ReadFrame(n, buf.data())) << "frame " << n;
            v.emplace_back(reinterpret_cast<const char*>(buf.data()), nBytes);
            continue;
        }
        const auto nAt = static_cast<off_t>(n * nBytes);
        EXPECT_EQ(snap.WriteFrame(n, fileno(pFile.get()), nAt, buf.data()),
                  CFrameSnapshot::EWrite::Written)
            << "frame " << n;
        v.emplace_back(reinterpret_cast<const char*>(buf.data()), nBytes);
        std::string strFile(nBytes, '\0');
        EXPECT_EQ(pread(fileno(pFile.get()), strFile.data(), nBytes, nAt), ssize_t(nBytes));
        EXPECT_TRUE(strFile == v.back()) << "frame " << n;
    }
    return v;
}

void Scribble(CArtDoc& doc, int nKey, uint8_t ch)
{
    const auto nId = static_cast<unsigned>(doc.GetFrameHistory(nKey));
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    std::for_each_n(doc.GetFrames().at(nKey), doc.GetCellCount(), [ch](auto& c) { c.chChar = ch; });
    ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
}

} // namespace

TEST(FrameSnapshot, RefusedMidStepAndEveryKindOfChangeLeavesItAsTaken)
{
    CArtDoc doc;
    BuildModified(doc, 5, 7, 4);
    const std::vector<std::string> vBefore = FramesNow(doc);
    const int nCurKey = doc.GetFrames().rbegin()->first;
    const auto nFirstStore = static_cast<unsigned>(doc.GetFrameHistory(0));

    ASSERT_EQ(BackupBegin(nFirstStore), BACKUP_OK);
    EXPECT_FALSE(CFrameSnapshot::Take(doc)) << "a step is open";
    ASSERT_EQ(BackupCommit(nFirstStore), BACKUP_OK);
    auto pSnap = CFrameSnapshot::Take(doc);
    ASSERT_TRUE(pSnap);
    ASSERT_EQ(pSnap->FrameCount(), 4u);

    // Frames nobody touches stay where they are.
    std::unique_ptr<CFrameSnapshot> pQuiet = CFrameSnapshot::Take(doc);
    Scribble(doc, nCurKey, 'x');
    EXPECT_EQ(pQuiet->PrivateCopies(), 1u);
    EXPECT_EQ(ReadAll(*pQuiet), vBefore);
    pQuiet.reset();

    // Every other kind of change, ending with a new drawing that frees every store.
    ASSERT_TRUE(doc.OnEditUndo());
    ASSERT_TRUE(doc.OnEditRedo());
    const CharCell blank{};
    ASSERT_EQ(BackupWriteSealed(nFirstStore, doc.GetFrames().at(0), &blank, sizeof blank), BACKUP_OK);
    doc.DeleteFrame(1);
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(pSnap->PrivateCopies(), 4u);
    EXPECT_EQ(ReadAll(*pSnap), vBefore);
}

// The writer reads frames (or writes them to a file straight from their
// pages) on its thread while this one edits them, in the opposite order so
// that reads and copies meet in the middle.
TEST(FrameSnapshot, ReaderOnAnotherThreadNeverSeesAnEdit)
{
    CArtDoc doc;
    BuildModified(doc, MAX_ROWS, MAX_COLS, 40);
    for (int nRound = 0; nRound < 6; ++nRound) {
        const std::vector<std::string> vBefore = FramesNow(doc);
        auto pSnap = CFrameSnapshot::Take(doc);
        ASSERT_TRUE(pSnap);
        auto reader =
            std::async(std::launch::async, [&] { return ReadAll(*pSnap, nRound % 2 == 1); });
        for (auto it = doc.GetFrames().rbegin(); it != doc.GetFrames().rend(); ++it)
            Scribble(doc, it->first, static_cast<uint8_t>('a' + nRound));
        ASSERT_TRUE(reader.get() == vBefore) << "round " << nRound; // not _EQ: megabytes
    }
}

// Frames released while the reader copies them: the reader never touches a
// page after it is gone, and still gets every frame as taken.
TEST(FrameSnapshot, ReaderOnAnotherThreadOutlivesReleasedFrames)
{
    for (int nRound = 0; nRound < 6; ++nRound) {
        CArtDoc doc;
        BuildModified(doc, MAX_ROWS, MAX_COLS, 40);
        const std::vector<std::string> vBefore = FramesNow(doc);
        auto pSnap = CFrameSnapshot::Take(doc);
        ASSERT_TRUE(pSnap);
        auto reader =
            std::async(std::launch::async, [&] { return ReadAll(*pSnap, nRound % 2 == 1); });
        ASSERT_TRUE(doc.OnNewDocument());
        ASSERT_TRUE(reader.get() == vBefore) << "round " << nRound;
    }
}
