// The document's frames and keys, per-frame undo, and the edit bracket.
#include "core/art_doc.h"
#include "core/backup_arena.h"
#include "core/backup_store.h"
#include "core/edit_bracket.h"
#include "core/loaded_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Fills the current frame with blanks the way a view prepares a new frame:
// committed, then sealed, so the fill can never be undone.
void FillBlank(CArtDoc& doc)
{
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    for (int i = 0; i < doc.GetCellCount(); ++i) {
        doc.GetCurCells()[i].chChar = ' ';
        doc.GetCurCells()[i].crColor = 0x010101;
    }
    ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
    ASSERT_EQ(BackupSeal(nId), BACKUP_OK);
}

int AddFrame(CArtDoc& doc)
{
    EXPECT_NE(doc.NewFrame(), nullptr);
    FillBlank(doc);
    return doc.RegisterFrame();
}

// One gesture: writes ch into the given cells inside one bracket.
void Stroke(CArtDoc& doc, std::initializer_list<int> cells, char ch)
{
    CEditBracket bracket(doc);
    bracket.BeginEdit();
    for (int i : cells)
        doc.GetCurCells()[i].chChar = static_cast<uint8_t>(ch);
    bracket.EndEdit();
}

class ArtDocTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_nSavedLimit = g_nUndoRedoStep;
        ASSERT_TRUE(m_doc.OnNewDocument());
        FillBlank(m_doc);
    }
    void TearDown() override { g_nUndoRedoStep = m_nSavedLimit; }

    CArtDoc m_doc;
    unsigned m_nSavedLimit = 100;
};

} // namespace

TEST(ArtDocNew, FreshDocumentHasOneUnregisteredZeroFrame)
{
    CArtDoc doc;
    EXPECT_EQ(doc.GetRows(), 40);
    EXPECT_EQ(doc.GetCols(), 60);
    EXPECT_EQ(doc.GetCurHistory(), 0);
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.GetFrameCount(), 0);
    ASSERT_NE(doc.GetCurCells(), nullptr);
    const auto* pBytes = reinterpret_cast<const uint8_t*>(doc.GetCurCells());
    for (std::size_t i = 0; i < 40 * 60 * sizeof(CharCell); ++i)
        ASSERT_EQ(pBytes[i], 0) << "byte " << i;
    EXPECT_EQ(doc.RegisterFrame(), 0);
    EXPECT_EQ(doc.GetFrameCount(), 1);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.IsModified());
}

TEST(ArtDocNew, CanvasSizeIsTakenFromTheMembers)
{
    CArtDoc doc;
    doc.SetCanvasSize(80, 128);
    ASSERT_TRUE(doc.OnNewDocument());
    doc.RegisterFrame();
    FillBlank(doc);
    EXPECT_EQ(doc.GetCurCells()[80 * 128 - 1].chChar, ' ');
}

// A size set now is for the next drawing: the frames there are, which the
// file and the exports read, keep theirs.
TEST_F(ArtDocTest, ANewCanvasSizeWaitsForTheNextNewDrawing)
{
    m_doc.RegisterFrame();
    m_doc.SetCanvasSize(3, 4);
    EXPECT_EQ(m_doc.GetCellCount(), 40 * 60);
    ASSERT_TRUE(m_doc.OnNewDocument());
    EXPECT_EQ(std::pair(m_doc.GetRows(), m_doc.GetCols()), std::pair(3, 4));
}

TEST_F(ArtDocTest, KeysAreNeverReusedAndRestartAfterNew)
{
    EXPECT_EQ(m_doc.RegisterFrame(), 0);
    EXPECT_EQ(AddFrame(m_doc), 1);
    EXPECT_EQ(AddFrame(m_doc), 2);
    m_doc.DeleteFrame(1);
    EXPECT_EQ(AddFrame(m_doc), 3);
    std::vector<int> vKeys;
    for (const auto& [nKey, pCells] : m_doc.GetFrames())
        vKeys.push_back(nKey);
    EXPECT_EQ(vKeys, (std::vector<int>{0, 2, 3}));
    for (int nKey : {0, 1, 2, 3})
        EXPECT_EQ(m_doc.GetFrameHistory(nKey) != 0, nKey != 1) << "key " << nKey;
    EXPECT_FALSE(m_doc.IsModified()) << "adding and deleting frames do not modify";

    ASSERT_TRUE(m_doc.OnNewDocument());
    EXPECT_EQ(m_doc.GetFrameCount(), 0);
    EXPECT_EQ(m_doc.RegisterFrame(), 0);
}

TEST_F(ArtDocTest, UndoIsPerFrame)
{
    const int nFirst = m_doc.RegisterFrame();
    Stroke(m_doc, {1, 2}, 'a');
    const int nSecond = AddFrame(m_doc);
    EXPECT_FALSE(m_doc.CanUndo()) << "a new frame offers no undo";
    Stroke(m_doc, {1, 2}, 'b');

    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(m_doc.GetCurCells()[1].chChar, ' ');
    EXPECT_FALSE(m_doc.CanUndo());

    m_doc.SelectFrame(nFirst);
    EXPECT_EQ(m_doc.GetCurCells()[1].chChar, 'a') << "the other frame is untouched";
    EXPECT_TRUE(m_doc.CanUndo());
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(m_doc.GetCurCells()[2].chChar, ' ');

    m_doc.SelectFrame(nSecond);
    EXPECT_TRUE(m_doc.CanRedo());
    EXPECT_TRUE(m_doc.OnEditRedo());
    EXPECT_EQ(m_doc.GetCurCells()[2].chChar, 'b');
}

TEST_F(ArtDocTest, LimitKeepsTheNewestSteps)
{
    m_doc.RegisterFrame();
    g_nUndoRedoStep = 3;
    for (char ch : {'1', '2', '3', '4'})
        Stroke(m_doc, {0}, ch);
    int nUndone = 0;
    while (m_doc.CanUndo()) {
        ASSERT_TRUE(m_doc.OnEditUndo());
        ++nUndone;
    }
    EXPECT_EQ(nUndone, 3);
    EXPECT_EQ(m_doc.GetCurCells()[0].chChar, '1');
    EXPECT_FALSE(m_doc.OnEditUndo()) << "a refused undo changes nothing";
    EXPECT_EQ(m_doc.GetCurCells()[0].chChar, '1');
}

TEST_F(ArtDocTest, UndoAfterSaveLeavesTheDocumentUnmodified)
{
    m_doc.RegisterFrame();
    Stroke(m_doc, {7}, 'x');
    EXPECT_TRUE(m_doc.IsModified());
    m_doc.SetModifiedFlag(false); // what a successful save does
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_TRUE(m_doc.OnEditRedo());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(ArtDocTest, ListenersHearOnlyAppliedSteps)
{
    struct CCounter : IArtDocListener {
        int nCalls = 0;
        void OnHistoryApplied() override { ++nCalls; }
    } counter;
    m_doc.AddListener(&counter);
    m_doc.RegisterFrame();
    EXPECT_FALSE(m_doc.OnEditUndo());
    Stroke(m_doc, {3}, 'q');
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_TRUE(m_doc.OnEditRedo());
    EXPECT_EQ(counter.nCalls, 2);
    m_doc.RemoveListener(&counter);
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(counter.nCalls, 2);
}

TEST_F(ArtDocTest, FrameKeysStopAtSixteenBits)
{
    m_doc.RegisterFrame();
    m_doc.SetNextFrameKey(MAX_FRAME_KEY);
    EXPECT_TRUE(m_doc.CanAddFrame());
    EXPECT_EQ(AddFrame(m_doc), MAX_FRAME_KEY);
    EXPECT_FALSE(m_doc.CanAddFrame());
    CharCell* pBefore = m_doc.GetCurCells();
    const int nHistoryBefore = m_doc.GetCurHistory();
    EXPECT_EQ(m_doc.NewFrame(), nullptr);
    EXPECT_EQ(m_doc.GetCurCells(), pBefore);
    EXPECT_EQ(m_doc.GetCurHistory(), nHistoryBefore);
    EXPECT_EQ(m_doc.GetFrameCount(), 2);
    ASSERT_TRUE(m_doc.OnNewDocument());
    EXPECT_TRUE(m_doc.CanAddFrame()) << "a new drawing numbers its keys from 0 again";
}

TEST_F(ArtDocTest, InnerCloserLeavesTheOuterStepOpen)
{
    m_doc.RegisterFrame();
    CEditBracket outer(m_doc);
    CEditBracket inner(m_doc);
    outer.BeginEdit();
    m_doc.GetCurCells()[0].chChar = 'o';
    inner.BeginEdit();
    EXPECT_FALSE(inner.IsEditing()) << "the inner writer joins the open step";
    m_doc.GetCurCells()[1].chChar = 'i';
    inner.EndEdit();
    EXPECT_NE(BackupIsOpen(static_cast<unsigned>(m_doc.GetCurHistory())), 0);
    EXPECT_FALSE(m_doc.CanUndo()) << "undo stays disabled while a step is open";
    outer.EndEdit();
    EXPECT_TRUE(m_doc.IsModified());
    ASSERT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(m_doc.GetCurCells()[0].chChar, ' ');
    EXPECT_EQ(m_doc.GetCurCells()[1].chChar, ' ');
    EXPECT_FALSE(m_doc.CanUndo()) << "both writes were one step";
}

TEST_F(ArtDocTest, CancelledEditKeepsWritesAndMakesNoStep)
{
    m_doc.RegisterFrame();
    CEditBracket bracket(m_doc);
    bracket.BeginEdit();
    m_doc.GetCurCells()[4].chChar = 'c';
    bracket.CancelEdit();
    EXPECT_EQ(m_doc.GetCurCells()[4].chChar, 'c');
    EXPECT_FALSE(m_doc.CanUndo());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(ArtDocTest, UnrecordedWritesKeepRedo)
{
    m_doc.RegisterFrame();
    Stroke(m_doc, {10}, 's');
    ASSERT_TRUE(m_doc.OnEditUndo());
    m_doc.SetModifiedFlag(false);
    {
        CUnrecordedEdit layout(m_doc);
        for (int i = 0; i < m_doc.GetCellCount(); ++i)
            m_doc.GetCurCells()[i].nX = i * 8;
    }
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(BackupIsOpen(static_cast<unsigned>(m_doc.GetCurHistory())), 0);
    ASSERT_TRUE(m_doc.CanRedo());
    ASSERT_TRUE(m_doc.OnEditRedo());
    EXPECT_EQ(m_doc.GetCurCells()[10].chChar, 's');
    EXPECT_EQ(m_doc.GetCurCells()[10].nX, 80) << "the layout survives the redo";
}

TEST_F(ArtDocTest, UnrecordedWritesInsideAStrokeStayInTheStroke)
{
    m_doc.RegisterFrame();
    CEditBracket bracket(m_doc);
    bracket.BeginEdit();
    m_doc.GetCurCells()[0].chChar = 'w';
    {
        CUnrecordedEdit layout(m_doc);
        m_doc.GetCurCells()[0].nY = 16;
    }
    EXPECT_NE(BackupIsOpen(static_cast<unsigned>(m_doc.GetCurHistory())), 0)
        << "the stroke's step must survive";
    bracket.EndEdit();
    EXPECT_TRUE(m_doc.CanUndo());
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(ArtDocTest, BracketClosesOnTheFrameItOpenedOn)
{
    const int nFirst = m_doc.RegisterFrame();
    const int nSecond = AddFrame(m_doc);
    m_doc.SelectFrame(nFirst);
    CEditBracket bracket(m_doc);
    bracket.BeginEdit();
    m_doc.GetCurCells()[0].chChar = 'f';
    m_doc.SelectFrame(nSecond); // e.g. playback moved on mid-stroke
    bracket.EndEdit();
    EXPECT_EQ(BackupIsOpen(static_cast<unsigned>(m_doc.GetFrameHistory(nFirst))), 0);
    EXPECT_FALSE(m_doc.CanUndo());
    m_doc.SelectFrame(nFirst);
    EXPECT_TRUE(m_doc.CanUndo());
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(m_doc.GetCurCells()[0].chChar, ' ');
}

TEST_F(ArtDocTest, DeletedFrameReleasesItsHistory)
{
    m_doc.RegisterFrame();
    const int nKey = AddFrame(m_doc);
    Stroke(m_doc, {0}, 'd');
    const auto nStore = static_cast<unsigned>(m_doc.GetFrameHistory(nKey));
    m_doc.DeleteFrame(nKey);
    BackupStoreStats stats;
    EXPECT_FALSE(BackupGetStats(nStore, stats)) << "the store is gone, not just emptied";
    EXPECT_EQ(BackupCanUndo(nStore), 0);
    EXPECT_EQ(m_doc.GetFrameCount(), 1);
    m_doc.DeleteFrame(nKey); // a second delete of the same key is harmless
    EXPECT_EQ(m_doc.GetFrameCount(), 1);
}

TEST_F(ArtDocTest, NewDocumentDestroysTheOldFramesStores)
{
    m_doc.RegisterFrame();
    AddFrame(m_doc);
    std::vector<unsigned> vOld;
    for (const auto& [nKey, pCells] : m_doc.GetFrames())
        vOld.push_back(static_cast<unsigned>(m_doc.GetFrameHistory(nKey)));
    CEditBracket bracket(m_doc); // a step still open goes with its store
    bracket.BeginEdit();
    m_doc.GetCurCells()[0].chChar = 'n';
    ASSERT_TRUE(m_doc.OnNewDocument());
    BackupStoreStats stats;
    for (unsigned nId : vOld)
        EXPECT_FALSE(BackupGetStats(nId, stats)) << "store " << nId;
    EXPECT_TRUE(BackupGetStats(static_cast<unsigned>(m_doc.GetCurHistory()), stats));
    bracket.EndEdit();
    EXPECT_FALSE(m_doc.IsModified()) << "the old step cannot mark the new drawing";
}

TEST_F(ArtDocTest, DeletingAFrameCancelsAStepLeftOpenOnIt)
{
    const int nFirst = m_doc.RegisterFrame();
    Stroke(m_doc, {3}, 'a');
    const int nKey = AddFrame(m_doc);
    const auto nStore = static_cast<unsigned>(m_doc.GetFrameHistory(nKey));
    CEditBracket bracket(m_doc);
    bracket.BeginEdit();
    m_doc.GetCurCells()[0].chChar = 'x';
    BackupFailNthSystemCall(1); // the cancel cannot protect the page again
    EXPECT_FALSE(m_doc.DeleteFrame(nKey));
    BackupFailNthSystemCall(0);
    EXPECT_EQ(m_doc.GetFrameCount(), 2) << "a store that cannot go keeps its frame";

    EXPECT_TRUE(m_doc.DeleteFrame(nKey));
    BackupStoreStats stats;
    EXPECT_FALSE(BackupGetStats(nStore, stats)) << "the store is destroyed, not leaked";
    EXPECT_EQ(BackupIsOpen(nStore), 0);
    bracket.EndEdit();
    m_doc.SelectFrame(nFirst);
    EXPECT_EQ(m_doc.GetCurCells()[3].chChar, 'a');
    EXPECT_TRUE(m_doc.OnEditUndo()) << "the other frame keeps its history";
}

// Each document destroys only the stores it made or adopted: another
// drawing, or frames being read for one, stay whole.
TEST_F(ArtDocTest, RenewingOrDestroyingADocumentLeavesOtherStoresAlone)
{
    m_doc.RegisterFrame();
    Stroke(m_doc, {5}, 'k');
    CLoadedFrames loading;
    const unsigned nLoading = BackupCreate();
    const auto fill = [](void* p) { static_cast<CharCell*>(p)->chChar = 'L'; };
    loading.vFrames.emplace_back(nLoading, static_cast<CharCell*>(BackupAllocSealed(
                                               sizeof(CharCell) * m_doc.GetCellCount(), nLoading, fill)));
    const auto expectIntact = [&] {
        BackupStoreStats a, b;
        ASSERT_TRUE(BackupGetStats(unsigned(m_doc.GetCurHistory()), a) && BackupGetStats(nLoading, b));
        ASSERT_TRUE(a.nPages != 0 && b.nPages != 0);
        EXPECT_EQ(m_doc.GetCurCells()[5].chChar, 'k');
        EXPECT_EQ(loading.vFrames[0].second->chChar, 'L');
    };
    {
        CArtDoc other;
        ASSERT_TRUE(other.OnNewDocument());
        other.RegisterFrame();
        ASSERT_TRUE(other.OnNewDocument());
        expectIntact();
    }
    expectIntact();
    EXPECT_TRUE(m_doc.OnEditUndo());
    EXPECT_EQ(m_doc.GetCurCells()[5].chChar, ' ');
}
