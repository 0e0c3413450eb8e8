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

#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using gwtest::StoreBlock;

constexpr std::size_t kPage = BACKUP_PAGE_SIZE;

// Which pages of the block are writable: each one's first byte written back
// through the kernel, which honours page protections and reports instead
// of faulting.
std::vector<bool> WritablePages(const StoreBlock& b)
{
    std::vector<bool> v;
    for (std::size_t n = 0; n < b.nSize; n += kPage) {
        uint8_t ch = b.p[n];
        iovec local{&ch, 1}, remote{b.p + n, 1};
        v.push_back(process_vm_writev(getpid(), &local, 1, &remote, 1, 0) == 1);
    }
    return v;
}

// What a caller can see of a store: its bytes and which pages are open,
// list lengths, open / undo / redo step numbers (or, with bNumbered false,
// only whether there are any), and whether its heap is sound.
struct StoreState {
    std::vector<uint8_t> cells;
    std::vector<bool> writable;
    std::array<long, 8> figures{};

    static StoreState Of(const StoreBlock& b, bool bNumbered = true)
    {
        StoreState s;
        BackupStoreStats st;
        BackupGetStats(b.nId, st);
        if (st.nPages != 0) { // a released store has no cells to read
            s.cells = gwtest::Image(b);
            s.writable = WritablePages(b);
        }
        void* pInfo = BackupHeapInfo(b.nId);
        const auto n = [&](int nSeq) { return bNumbered ? long{nSeq} : long{nSeq != 0}; };
        s.figures = {long(st.nUndo), long(st.nRedo), long(st.nKept), long(st.nPages), n(BackupIsOpen(b.nId)),
                     n(BackupCanUndo(b.nId)), n(BackupCanRedo(b.nId)), !pInfo || CBackupHeap(pInfo).Check()};
        return s;
    }
    bool operator==(const StoreState&) const = default;
};

void PrintTo(const StoreState& s, std::ostream* pOs)
{
    *pOs << "undo, redo, kept, pages, open, can undo, can redo, heap sound:";
    for (long n : s.figures)
        *pOs << ' ' << n;
    *pOs << "; open pages: " << testing::PrintToString(s.writable);
}

void Write(const StoreBlock& b, std::size_t nAt, uint8_t v, std::size_t nCount)
{
    for (std::size_t i = 0; i < nCount; ++i)
        b.p[(nAt + i * (2 * kPage + 3)) % b.nSize] = static_cast<uint8_t>(v + i);
}

void Step(const StoreBlock& b, std::size_t nAt, uint8_t v, std::size_t nCount)
{
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    Write(b, nAt, v, nCount);
    ASSERT_EQ(BackupCommit(b.nId), BACKUP_OK);
}

// Every case starts from a sealed 12-page block and three committed steps
// (writes over several runs of pages), one of them undone, so both lists
// hold something; nOpen > 0 leaves a step open with that many writes.
StoreBlock Scene(gwtest::StoreOwner& owner, std::size_t nOpen)
{
    StoreBlock b = owner.CreateWithBlock(12 * kPage);
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

bool Ok(unsigned nStatus) { return BackupSucceeded(nStatus); }

// For the allocations, which throw when memory runs out.
template <typename Fn> bool Allocates(Fn fn)
{
    try {
        return fn() != nullptr;
    } catch (const CBackupError&) {
        return false;
    }
}

const std::vector<uint8_t> kFill(3 * kPage + 100, 0x5A);

bool AllocSealed3(StoreBlock& b)
{
    return Allocates([&] {
        return BackupAllocSealed(3 * kPage, b.nId, [](void* p) { std::memset(p, 0x33, 3 * kPage); });
    });
}

struct FailCase {
    const char* szName;
    std::size_t nOpenWrites; // writes the scene leaves in an open step
    unsigned nLimit;         // the undo limit during the operation
    std::function<bool(StoreBlock&)> op;
    bool bAbsorbs = false; // never fails: what the system refuses is retried later
};

const FailCase kCases[] = {
    {"Begin", 0, 1000, [](StoreBlock& b) { return Ok(BackupBegin(b.nId)); }},
    {"Commit", 40, 1000, [](StoreBlock& b) { return Ok(BackupCommit(b.nId)); }},
    {"CommitDroppingOldest", 40, 2, [](StoreBlock& b) { return Ok(BackupCommit(b.nId)); }},
    {"Cancel", 40, 1000, [](StoreBlock& b) { return Ok(BackupCancel(b.nId)); }},
    {"Undo", 0, 1000, [](StoreBlock& b) { return Ok(BackupUndo(b.nId)); }},
    {"Redo", 0, 1000, [](StoreBlock& b) { return Ok(BackupRedo(b.nId)); }},
    {"Seal", 0, 1000, [](StoreBlock& b) { return Ok(BackupSeal(b.nId)); }},
    {"Release", 0, 1000, [](StoreBlock& b) { return Ok(BackupRelease(b.nId)); }, true},
    {"AllocFromTheHeap", 3, 1000, [](StoreBlock& b) { return Allocates([&] { return BackupAlloc(100, b.nId); }); }},
    {"AllocANewRegion", 3, 1000,
     [](StoreBlock& b) { return Allocates([&] { return BackupAlloc(200000, b.nId); }); }},
    {"WriteSealed", 0, 1000,
     [](StoreBlock& b) { return Ok(BackupWriteSealed(b.nId, b.p + 50, kFill.data(), kFill.size())); }},
    {"AllocSealed", 0, 1000, AllocSealed3},
    {"AllocSealedDroppingOldest", 0, 2, AllocSealed3},
};

class BackupFailure : public testing::TestWithParam<FailCase> {
protected:
    void TearDown() override { BackupFailNthSystemCall(0); }
    gwtest::UndoLimitGuard m_limit;
};

TEST_P(BackupFailure, NthFailureChangesNothingAndTheNextTrySucceeds)
{
    const FailCase& c = GetParam();
    const auto run = [&](StoreBlock& b) {
        g_nUndoRedoStep = c.nLimit;
        const bool bDone = c.op(b);
        g_nUndoRedoStep = 1000;
        return bDone;
    };
    StoreState clean; // the outcome without any failure
    {
        gwtest::StoreOwner owner;
        StoreBlock b = Scene(owner, c.nOpenWrites);
        ASSERT_TRUE(run(b));
        clean = StoreState::Of(b, false);
    }
    int nFailed = 0;
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 400) << "the operation never runs out of fallible calls";
        gwtest::StoreOwner owner;
        StoreBlock b = Scene(owner, c.nOpenWrites);
        const StoreState before = StoreState::Of(b);
        BackupFailNthSystemCall(n);
        const bool bDone = run(b);
        const bool bReached = !BackupInjectionPending();
        BackupFailNthSystemCall(0);
        if (!bReached) {
            ASSERT_TRUE(bDone) << "call " << n << " was never made, yet the operation failed";
            break;
        }
        if (!bDone) {
            ++nFailed;
            EXPECT_EQ(StoreState::Of(b), before) << "failing call " << n;
            EXPECT_TRUE(run(b)) << "the retry after failing call " << n;
        }
        EXPECT_EQ(StoreState::Of(b, false), clean) << "after failing call " << n;
        // The store goes on working: one more step, and its undo.
        if (BackupIsOpen(b.nId) == 0 && BackupHeapInfo(b.nId)) {
            const std::vector<uint8_t> vBefore = gwtest::Image(b);
            Step(b, 20001, 0x77, 40); // the pages the scene's last step wrote
            ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
            EXPECT_TRUE(gwtest::SameBytes(b.p, vBefore)) << "after failing call " << n;
        }
    }
    EXPECT_EQ(nFailed > 0, !c.bAbsorbs) << nFailed << " injected failures made the operation fail";
}

INSTANTIATE_TEST_SUITE_P(Operations, BackupFailure, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FailCase>& i) { return i.param.szName; });

// A step the bracket cannot close at all stays its own, whole; a refused
// commit alone (writes kept unrecorded) is tried through the canvas tools.
TEST(EditBracketFailure, RefusedCloseKeepsTheStepWholeForTheNextClose)
{
    CArtDoc doc;
    doc.OnNewDocument();
    CharCell* pCells = doc.GetCurCells();
    CEditBracket edit(doc);
    ASSERT_TRUE(edit.BeginEdit());
    pCells[900].chChar = 'C';
    BackupFailAllSystemCalls(true);
    EXPECT_EQ(edit.EndEdit(), EEditEnd::StillOpen);
    EXPECT_TRUE(edit.IsEditing());
    pCells[901].chChar = 'D'; // joins the same step
    BackupFailAllSystemCalls(false);
    EXPECT_EQ(edit.EndEdit(), EEditEnd::Closed);
    ASSERT_TRUE(doc.OnEditUndo());
    EXPECT_EQ(pCells[900].chChar, 0);
    EXPECT_EQ(pCells[901].chChar, 0);
}

// A first write that the system will not let the filter serve ends the
// process with one line on standard error instead of a bare crash.
TEST(BackupFaultFailure, RefusedFirstWriteEndsWithOneClearLine)
{
    char szLog[] = "/tmp/gw_fault_XXXXXX";
    const int fd = mkstemp(szLog);
    ASSERT_GE(fd, 0);
    const gwtest::ChildEnd end = gwtest::RunInChild([&]() -> int {
        dup2(fd, STDERR_FILENO);
        StoreBlock b = gwtest::AllocSealed(BackupCreate(), 2 * kPage);
        if (!b.p || BackupBegin(b.nId) != BACKUP_OK)
            return 91;
        BackupFailFaultProtect(true);
        b.p[kPage + 3] = 1;
        return 0;
    });
    close(fd);
    const std::string strLog = (std::stringstream() << std::ifstream(szLog).rdbuf()).str();
    std::remove(szLog);
    EXPECT_TRUE(end.bExited() && end.nExit() == 70) << end.Describe();
    EXPECT_EQ(strLog, "glyphwright: the system refused to make a page of the drawing writable; stopping (the "
                      "last autosave copy is kept)\n");
}

} // namespace
