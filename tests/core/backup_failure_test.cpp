// Every store operation either completes or leaves the store exactly as it
// was: the nth fallible call it makes (protection change, commit of memory,
// copy pages, a difference, a container's growth) is made to fail, for every
// n the operation makes, and the store is compared with what it was before
// the call. The same operation then succeeds once the system stops refusing.
#include "backup_test_support.h"

#include "core/art_doc.h"
#include "core/backup_arena.h"
#include "core/backup_heap.h"
#include "core/edit_bracket.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using gwtest::Image;
using gwtest::SameBytes;
using gwtest::StoreBlock;

constexpr std::size_t kPage = BACKUP_PAGE_SIZE;

// What a caller can see of a store.
struct StoreState {
    std::vector<uint8_t> cells;
    BackupStoreStats stats;
    int nOpen = 0, nUndo = 0, nRedo = 0;
    bool bHeapOk = true;

    static StoreState Of(const StoreBlock& b)
    {
        StoreState s;
        BackupGetStats(b.nId, s.stats);
        if (s.stats.nPages != 0) // a released store has no cells to read
            s.cells = Image(b);
        s.nOpen = BackupIsOpen(b.nId);
        s.nUndo = BackupCanUndo(b.nId);
        s.nRedo = BackupCanRedo(b.nId);
        if (void* pInfo = BackupHeapInfo(b.nId))
            s.bHeapOk = CBackupHeap(pInfo).Check();
        return s;
    }
    // Step numbers are process-wide: two scenes built alike only agree on
    // which of them exist.
    StoreState Unnumbered() const
    {
        StoreState s = *this;
        s.nOpen = s.nOpen != 0;
        s.nUndo = s.nUndo != 0;
        s.nRedo = s.nRedo != 0;
        return s;
    }
    friend testing::AssertionResult Same(const StoreState& a, const StoreState& b)
    {
        if (a.cells.size() != b.cells.size())
            return testing::AssertionFailure() << "one store has no cells";
        if (!b.cells.empty() && !SameBytes(a.cells.data(), b.cells))
            return SameBytes(a.cells.data(), b.cells);
        if (a.stats.nUndo != b.stats.nUndo || a.stats.nRedo != b.stats.nRedo || a.stats.nKept != b.stats.nKept ||
            a.stats.nPages != b.stats.nPages || a.nOpen != b.nOpen || a.nUndo != b.nUndo || a.nRedo != b.nRedo ||
            !a.bHeapOk || !b.bHeapOk)
            return testing::AssertionFailure()
                   << "lists (undo, redo, kept, pages, open, can undo, can redo, heap): " << a.stats.nUndo << ","
                   << a.stats.nRedo << "," << a.stats.nKept << "," << a.stats.nPages << "," << a.nOpen << ","
                   << a.nUndo << "," << a.nRedo << "," << a.bHeapOk << " vs " << b.stats.nUndo << ","
                   << b.stats.nRedo << "," << b.stats.nKept << "," << b.stats.nPages << "," << b.nOpen << ","
                   << b.nUndo << "," << b.nRedo << "," << b.bHeapOk;
        return testing::AssertionSuccess();
    }
};

void Write(const StoreBlock& b, std::size_t nAt, uint8_t v, std::size_t nCount = 1)
{
    for (std::size_t i = 0; i < nCount; ++i)
        b.p[(nAt + i * 1021) % b.nSize] = static_cast<uint8_t>(v + i);
}

void Step(const StoreBlock& b, std::size_t nAt, uint8_t v, std::size_t nCount)
{
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    Write(b, nAt, v, nCount);
    ASSERT_EQ(BackupCommit(b.nId), BACKUP_OK);
}

// The scene every case starts from: a sealed 12-page block, three committed
// steps (writes spread over several runs of pages), one of them undone, so
// that both lists hold something; nOpen > 0 leaves a step open with writes
// on that many places.
StoreBlock Scene(gwtest::StoreOwner& owner, std::size_t nOpen = 0)
{
    StoreBlock b = owner.CreateWithBlock(12 * kPage);
    if (!b.p)
        return b;
    Step(b, 10, 1, 30);
    Step(b, 5000, 2, 3);
    Step(b, 20000, 3, 40);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_OK);
    if (nOpen) {
        EXPECT_EQ(BackupBegin(b.nId), BACKUP_OK);
        Write(b, 777, 9, nOpen);
    }
    return b;
}

struct FailCase {
    const char* szName;
    std::size_t nOpenWrites;             // writes left in an open step by the scene
    unsigned nLimit;                     // the undo limit during the operation
    std::function<bool(StoreBlock&)> op; // true when it succeeded
    bool bAbsorbs = false;               // never fails: what the system refuses is retried later
};

bool Ok(unsigned nStatus) { return BackupSucceeded(nStatus); }

bool Allocates(StoreBlock& b, unsigned nSize)
{
    try {
        return BackupAlloc(nSize, b.nId) != nullptr;
    } catch (const CBackupError&) {
        return false;
    }
}

const std::vector<uint8_t> kFill(3 * kPage + 100, 0x5A);

const FailCase kCases[] = {
    {"Begin", 0, 1000, [](StoreBlock& b) { return Ok(BackupBegin(b.nId)); }},
    {"Commit", 40, 1000, [](StoreBlock& b) { return Ok(BackupCommit(b.nId)); }},
    {"CommitDroppingOldest", 40, 2, [](StoreBlock& b) { return Ok(BackupCommit(b.nId)); }},
    {"Cancel", 40, 1000, [](StoreBlock& b) { return Ok(BackupCancel(b.nId)); }},
    {"Undo", 0, 1000, [](StoreBlock& b) { return Ok(BackupUndo(b.nId)); }},
    {"Redo", 0, 1000, [](StoreBlock& b) { return Ok(BackupRedo(b.nId)); }},
    {"Seal", 0, 1000, [](StoreBlock& b) { return Ok(BackupSeal(b.nId)); }},
    {"Release", 0, 1000, [](StoreBlock& b) { return Ok(BackupRelease(b.nId)); }, true},
    {"AllocFromTheHeap", 3, 1000, [](StoreBlock& b) { return Allocates(b, 100); }},
    {"AllocANewRegion", 3, 1000, [](StoreBlock& b) { return Allocates(b, 200000); }},
    {"WriteSealed", 0, 1000,
     [](StoreBlock& b) { return Ok(BackupWriteSealed(b.nId, b.p + 50, kFill.data(), kFill.size())); }},
    {"AllocSealed", 0, 1000,
     [](StoreBlock& b) {
         try {
             return BackupAllocSealed(3 * kPage, b.nId, [](void* p) { std::memset(p, 0x33, 3 * kPage); }) != nullptr;
         } catch (const CBackupError&) {
             return false;
         }
     }},
};

class BackupFailure : public testing::TestWithParam<FailCase> {
protected:
    void TearDown() override
    {
        BackupFailNthSystemCall(0);
        g_nUndoRedoStep = m_nLimit;
    }
    unsigned m_nLimit = g_nUndoRedoStep;
};

TEST_P(BackupFailure, NthFailureChangesNothingAndTheNextTrySucceeds)
{
    const FailCase& c = GetParam();
    // The outcome without any failure, to compare with.
    StoreState clean;
    {
        gwtest::StoreOwner owner;
        StoreBlock b = Scene(owner, c.nOpenWrites);
        ASSERT_NE(b.p, nullptr);
        g_nUndoRedoStep = c.nLimit;
        ASSERT_TRUE(c.op(b));
        clean = StoreState::Of(b).Unnumbered();
        g_nUndoRedoStep = 1000;
    }
    int nFailed = 0;
    for (int n = 1;; ++n) {
        gwtest::StoreOwner owner;
        StoreBlock b = Scene(owner, c.nOpenWrites);
        ASSERT_NE(b.p, nullptr);
        const StoreState before = StoreState::Of(b);
        g_nUndoRedoStep = c.nLimit;
        BackupFailNthSystemCall(n);
        const bool bDone = c.op(b);
        const bool bReached = !BackupInjectionPending();
        BackupFailNthSystemCall(0);
        if (!bReached) {
            ASSERT_TRUE(bDone) << "call " << n << " was never made, yet the operation failed";
            break;
        }
        if (bDone) {
            // A failure the operation can absorb (a range given back later).
            EXPECT_TRUE(Same(StoreState::Of(b).Unnumbered(), clean)) << "failing call " << n << ", absorbed";
        } else {
            ++nFailed;
            EXPECT_TRUE(Same(StoreState::Of(b), before)) << "failing call " << n;
            EXPECT_TRUE(c.op(b)) << "the retry after failing call " << n;
            EXPECT_TRUE(Same(StoreState::Of(b).Unnumbered(), clean)) << "the retry after failing call " << n;
        }
        g_nUndoRedoStep = 1000;
        // The store is still usable: one more step and its undo.
        if (BackupIsOpen(b.nId) == 0 && b.nId && BackupGetStats(b.nId, *std::make_unique<BackupStoreStats>())) {
            if (BackupHeapInfo(b.nId)) {
                const std::vector<uint8_t> vBefore = Image(b);
                Step(b, 4321, 0x77, 5);
                ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
                EXPECT_TRUE(SameBytes(b.p, vBefore)) << "after failing call " << n;
            }
        }
        ASSERT_LT(n, 400) << "the operation never runs out of fallible calls";
    }
    EXPECT_EQ(nFailed > 0, !c.bAbsorbs) << nFailed << " injected failures made the operation fail";
}

INSTANTIATE_TEST_SUITE_P(Operations, BackupFailure, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FailCase>& i) { return i.param.szName; });

// The edit bracket never leaves a half-closed step: a refused commit keeps
// the writes without an undo step, and a step that cannot be closed at all
// stays the bracket's, whole, for its next close.
TEST(EditBracketFailure, RefusedCloseKeepsTheWritesAndTheStore)
{
    CArtDoc doc;
    doc.OnNewDocument();
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    CharCell* pCells = doc.GetCurCells();
    CEditBracket edit(doc);
    const int nUndoBefore = BackupCanUndo(nId);

    // The commit refused once: the writes stay, with no undo step.
    ASSERT_TRUE(edit.BeginEdit());
    pCells[3].chChar = 'A';
    pCells[500].chChar = 'B';
    BackupFailNthSystemCall(1);
    EXPECT_EQ(edit.EndEdit(), EEditEnd::Unrecorded);
    EXPECT_FALSE(edit.IsEditing());
    EXPECT_EQ(BackupIsOpen(nId), 0);
    EXPECT_EQ(BackupCanUndo(nId), nUndoBefore);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(pCells[3].chChar, 'A');

    // Everything refused: the step stays open and the bracket's; a write
    // made meanwhile joins it, and the next close commits it whole.
    ASSERT_TRUE(edit.BeginEdit());
    pCells[900].chChar = 'C';
    BackupFailAllSystemCalls(true);
    EXPECT_EQ(edit.EndEdit(), EEditEnd::StillOpen);
    EXPECT_TRUE(edit.IsEditing());
    EXPECT_NE(BackupIsOpen(nId), 0);
    pCells[901].chChar = 'D';
    BackupFailAllSystemCalls(false);
    EXPECT_EQ(edit.EndEdit(), EEditEnd::Closed);
    EXPECT_FALSE(edit.IsEditing());
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(pCells[900].chChar, 0);
    EXPECT_EQ(pCells[901].chChar, 0);
    EXPECT_EQ(pCells[3].chChar, 'A');
}

// A first write that the system will not let the filter serve ends the
// process with one line on standard error instead of a bare crash.
TEST(BackupFaultFailure, RefusedFirstWriteEndsWithOneClearLine)
{
    char szLog[] = "/tmp/gw_fault_XXXXXX";
    const int fd = mkstemp(szLog);
    ASSERT_GE(fd, 0);
    gwtest::ChildEnd end = gwtest::RunInChild([&]() -> int {
        dup2(fd, STDERR_FILENO);
        StoreBlock b = gwtest::AllocSealed(BackupCreate(), 2 * kPage);
        if (!b.p || BackupBegin(b.nId) != BACKUP_OK)
            return 91;
        BackupFailFaultProtect(true);
        b.p[kPage + 3] = 1;
        return 0;
    });
    close(fd);
    std::ifstream in(szLog);
    const std::string strLog((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(szLog);
    EXPECT_TRUE(end.bExited() && end.nExit() == 70) << end.Describe();
    EXPECT_EQ(strLog,
              "glyphwright: the system refused to make a page of the drawing writable; stopping (the last "
              "autosave copy is kept)\n");
}

} // namespace
