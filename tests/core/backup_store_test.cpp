// The store's step life cycle: statuses, the undo limit, redo, cancel, seal,
// release and destroy, step numbers, and what a step records.
#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using gwtest::Image;
using gwtest::Rng;
using gwtest::SameBytes;
using gwtest::StoreBlock;

constexpr std::size_t kPage = BACKUP_PAGE_SIZE;

class BackupStoreTest : public testing::Test {
protected:
    void SetUp() override { g_nUndoRedoStep = 1000; }

    // A store with one sealed block; null p means the allocation failed.
    StoreBlock Block(std::size_t nSize) { return m_stores.CreateWithBlock(nSize); }
    unsigned Create() { return m_stores.Create(); }

    static BackupStoreStats Stats(unsigned nId)
    {
        BackupStoreStats st;
        EXPECT_TRUE(BackupGetStats(nId, st)) << "store " << nId;
        return st;
    }

    // One committed step made of the writes fn does; returns its number.
    template <class Fn> static int CommittedStep(unsigned nId, Fn fn)
    {
        EXPECT_EQ(BackupBegin(nId), BACKUP_OK);
        int n = BackupIsOpen(nId);
        fn();
        EXPECT_EQ(BackupCommit(nId), BACKUP_OK);
        return n;
    }

    gwtest::UndoLimitGuard m_limit;
    gwtest::StoreOwner m_stores;
};

#define ASSERT_BLOCK(b) ASSERT_NE((b).p, nullptr) << "the store handed out no block"

TEST(BackupStatus, SuccessTestSeparatesOkFromErrors)
{
    EXPECT_TRUE(BackupSucceeded(BACKUP_OK));
    for (unsigned s : {BACKUP_E_OPEN, BACKUP_E_NOT_OPEN, BACKUP_E_EMPTY, BACKUP_E_NO_STORE, BACKUP_E_SYSTEM})
        EXPECT_FALSE(BackupSucceeded(s)) << std::hex << s;
}

TEST_F(BackupStoreTest, BeginWhileOpenKeepsTheFirstStep)
{
    StoreBlock b = Block(2 * kPage);
    ASSERT_BLOCK(b);
    auto before = Image(b);

    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    int n = BackupIsOpen(b.nId);
    EXPECT_GT(n, 0);
    b.p[10] ^= 0x11;
    EXPECT_EQ(BackupBegin(b.nId), BACKUP_E_OPEN);
    EXPECT_EQ(BackupIsOpen(b.nId), n) << "a refused begin replaced the open step";
    b.p[kPage + 20] ^= 0x22; // still inside the first step
    EXPECT_EQ(Stats(b.nId).nUndo, 1u);
    ASSERT_EQ(BackupCommit(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupIsOpen(b.nId), 0);
    EXPECT_EQ(BackupCanUndo(b.nId), n);

    // Both writes were one step.
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_TRUE(SameBytes(b.p, before));
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY);
}

TEST_F(BackupStoreTest, ClosingWithoutAStepIsRefused)
{
    StoreBlock b = Block(kPage);
    ASSERT_BLOCK(b);
    unsigned nBare = Create(); // never allocated anything
    for (unsigned nId : {b.nId, nBare}) {
        EXPECT_EQ(BackupCommit(nId), BACKUP_E_NOT_OPEN) << "store " << nId;
        EXPECT_EQ(BackupCancel(nId), BACKUP_E_NOT_OPEN) << "store " << nId;
        EXPECT_EQ(BackupIsOpen(nId), 0);
    }
    CommittedStep(b.nId, [&] { b.p[0] ^= 1; });
    EXPECT_EQ(BackupCommit(b.nId), BACKUP_E_NOT_OPEN) << "a second commit of the same step";
    EXPECT_EQ(BackupCancel(b.nId), BACKUP_E_NOT_OPEN);
    EXPECT_EQ(Stats(b.nId).nUndo, 1u);
}

TEST_F(BackupStoreTest, NothingToUndoOrRedo)
{
    StoreBlock b = Block(kPage);
    ASSERT_BLOCK(b);
    unsigned nBare = Create();
    for (unsigned nId : {b.nId, nBare}) {
        EXPECT_EQ(BackupUndo(nId), BACKUP_E_EMPTY) << "store " << nId;
        EXPECT_EQ(BackupRedo(nId), BACKUP_E_EMPTY) << "store " << nId;
        EXPECT_EQ(BackupCanUndo(nId), 0);
        EXPECT_EQ(BackupCanRedo(nId), 0);
    }
    // The sealed allocation step is not undoable.
    EXPECT_EQ(Stats(b.nId).nUndo, 0u);
}

// Every operation that needs the step closed is refused, and changes nothing.
TEST_F(BackupStoreTest, RefusedWhileAStepIsOpen)
{
    StoreBlock b = Block(3 * kPage);
    ASSERT_BLOCK(b);
    CommittedStep(b.nId, [&] { b.p[1] ^= 0x01; });
    int nSecond = CommittedStep(b.nId, [&] { b.p[2 * kPage] ^= 0x02; });
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK); // so that redo could run too
    auto image = Image(b);
    BackupStoreStats was = Stats(b.nId);

    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    int nOpen = BackupIsOpen(b.nId);
    b.p[kPage + 7] ^= 0x40;
    image[kPage + 7] ^= 0x40;

    struct Refusal {
        const char* szOp;
        unsigned (*pfn)(unsigned);
    };
    const Refusal refusals[] = {{"undo", BackupUndo},       {"redo", BackupRedo},
                                {"seal", BackupSeal},       {"release", BackupRelease},
                                {"destroy", BackupDestroy}, {"begin", BackupBegin}};
    for (const Refusal& r : refusals) {
        EXPECT_EQ(r.pfn(b.nId), BACKUP_E_OPEN) << r.szOp;
        EXPECT_EQ(BackupIsOpen(b.nId), nOpen) << "after " << r.szOp;
        EXPECT_TRUE(SameBytes(b.p, image)) << "after " << r.szOp;
    }
    EXPECT_EQ(BackupReleaseAll(), BACKUP_E_OPEN);
    BackupStoreStats now = Stats(b.nId);
    EXPECT_EQ(now.nPages, was.nPages);
    EXPECT_EQ(now.nRedo, was.nRedo);
    EXPECT_EQ(now.nUndo, was.nUndo + 1);
    EXPECT_EQ(BackupCanRedo(b.nId), nSecond);

    b.p[kPage + 8] ^= 0x80; // the step still takes writes
    ASSERT_EQ(BackupCancel(b.nId), BACKUP_OK);
    // Redo survived all of it.
    EXPECT_EQ(BackupCanRedo(b.nId), nSecond);
    ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    EXPECT_EQ(b.p[2 * kPage] ^ image[2 * kPage], 0x02);
}

// --- The undo limit ---------------------------------------------------------------

struct LimitCase {
    unsigned nLimit;
    int nCommits;
    int nKept; // undo steps left after the commits
};

class BackupUndoLimit : public BackupStoreTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(BackupUndoLimit, KeepsTheNewestSteps)
{
    const LimitCase c = GetParam();
    g_nUndoRedoStep = c.nLimit;
    const std::size_t nEffective = c.nLimit < 1 ? 1 : c.nLimit;
    StoreBlock b = Block(3 * kPage);
    ASSERT_BLOCK(b);

    std::vector<std::vector<uint8_t>> after{Image(b)};
    std::vector<int> numbers{0};
    for (int i = 1; i <= c.nCommits; ++i) {
        ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
        numbers.push_back(BackupIsOpen(b.nId));
        EXPECT_EQ(Stats(b.nId).nUndo, std::min<std::size_t>(i - 1, nEffective) + 1) << "open step " << i;
        b.p[0] = static_cast<uint8_t>(i);                // one byte every step rewrites
        b.p[(i * 1237) % b.nSize] ^= static_cast<uint8_t>(0x5A + i); // one of its own
        ASSERT_EQ(BackupCommit(b.nId), BACKUP_OK);
        EXPECT_EQ(Stats(b.nId).nUndo, std::min<std::size_t>(i, nEffective)) << "after commit " << i;
        after.push_back(Image(b));
    }
    for (int k = 1; k <= c.nKept; ++k) {
        ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK) << "undo " << k;
        EXPECT_EQ(BackupCanRedo(b.nId), numbers[c.nCommits - k + 1]);
        EXPECT_TRUE(SameBytes(b.p, after[c.nCommits - k])) << "after undo " << k;
    }
    EXPECT_EQ(BackupCanUndo(b.nId), 0);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY) << "a step beyond the limit was kept";
    EXPECT_TRUE(SameBytes(b.p, after[c.nCommits - c.nKept]));
    for (int k = c.nKept; k >= 1; --k)
        ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupRedo(b.nId), BACKUP_E_EMPTY);
    EXPECT_TRUE(SameBytes(b.p, after.back()));
    EXPECT_EQ(BackupCanUndo(b.nId), numbers.back());
}

INSTANTIATE_TEST_SUITE_P(Limits, BackupUndoLimit,
                         testing::Values(LimitCase{3, 4, 3}, LimitCase{0, 2, 1}, LimitCase{0, 1, 1},
                                         LimitCase{1, 3, 1}, LimitCase{2, 2, 2}, LimitCase{8, 5, 5},
                                         LimitCase{5, 12, 5}),
                         [](const testing::TestParamInfo<LimitCase>& i) {
                             return "limit" + std::to_string(i.param.nLimit) + "_commits" +
                                    std::to_string(i.param.nCommits);
                         });

TEST_F(BackupStoreTest, LoweredLimitTakesEffectAtTheNextCommit)
{
    StoreBlock b = Block(kPage);
    ASSERT_BLOCK(b);
    g_nUndoRedoStep = 8;
    std::vector<std::vector<uint8_t>> after{Image(b)};
    for (int i = 1; i <= 5; ++i) {
        CommittedStep(b.nId, [&] { b.p[i * 100] ^= static_cast<uint8_t>(i); });
        after.push_back(Image(b));
    }
    g_nUndoRedoStep = 2;
    EXPECT_EQ(Stats(b.nId).nUndo, 5u);
    CommittedStep(b.nId, [&] { b.p[600] ^= 6; });
    after.push_back(Image(b));
    EXPECT_EQ(Stats(b.nId).nUndo, 2u);
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY);
    EXPECT_TRUE(SameBytes(b.p, after[4]));
}

// --- Redo, cancel --------------------------------------------------------------------

TEST_F(BackupStoreTest, CommitDiscardsRedoButCancelKeepsIt)
{
    StoreBlock b = Block(2 * kPage);
    ASSERT_BLOCK(b);
    int n1 = CommittedStep(b.nId, [&] { b.p[100] ^= 0xA1; });
    auto afterFirst = Image(b);
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanRedo(b.nId), n1);

    // A cancelled step in between: its writes stay, redo stays possible.
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    b.p[kPage + 5] ^= 0x3C;
    ASSERT_EQ(BackupCancel(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupIsOpen(b.nId), 0);
    EXPECT_EQ(BackupCanRedo(b.nId), n1);
    EXPECT_EQ(BackupCanUndo(b.nId), 0) << "a cancelled step was recorded";
    EXPECT_EQ(Stats(b.nId).nRedo, 1u);
    ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    auto expected = afterFirst;
    expected[kPage + 5] ^= 0x3C;
    EXPECT_TRUE(SameBytes(b.p, expected));
    EXPECT_EQ(BackupCanUndo(b.nId), n1);

    // A committed step, even an empty one, ends redo.
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    int n2 = CommittedStep(b.nId, [] {});
    EXPECT_EQ(BackupCanRedo(b.nId), 0);
    EXPECT_EQ(Stats(b.nId).nRedo, 0u);
    EXPECT_EQ(BackupRedo(b.nId), BACKUP_E_EMPTY);
    EXPECT_EQ(BackupCanUndo(b.nId), n2);
}

// Undo flips the bits its step changed, and nothing else: writes a cancelled
// step made afterwards, to the same page and even to the same byte, survive.
TEST_F(BackupStoreTest, CancelledWritesSurviveUndoOfAnEarlierStep)
{
    StoreBlock b = Block(2 * kPage);
    ASSERT_BLOCK(b);
    auto start = Image(b);
    CommittedStep(b.nId, [&] {
        b.p[10] ^= 0x11;
        b.p[kPage + 10] ^= 0x22;
    });
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    b.p[11] ^= 0x33;  // same page, other byte
    b.p[10] ^= 0x0F;  // same byte
    b.p[kPage + 300] ^= 0x44;
    ASSERT_EQ(BackupCancel(b.nId), BACKUP_OK);

    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    auto expected = start;
    expected[11] ^= 0x33;
    expected[10] ^= 0x0F;
    expected[kPage + 300] ^= 0x44;
    EXPECT_TRUE(SameBytes(b.p, expected));

    ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    expected[10] ^= 0x11;
    expected[kPage + 10] ^= 0x22;
    EXPECT_TRUE(SameBytes(b.p, expected));
}

// --- Step numbers --------------------------------------------------------------------

TEST_F(BackupStoreTest, StepNumbersTellOpenersApartAcrossStores)
{
    StoreBlock a = Block(kPage), c = Block(kPage);
    ASSERT_BLOCK(a);
    ASSERT_BLOCK(c);

    ASSERT_EQ(BackupBegin(a.nId), BACKUP_OK);
    int nA1 = BackupIsOpen(a.nId);
    EXPECT_GT(nA1, 0);
    EXPECT_EQ(BackupIsOpen(c.nId), 0) << "a step of one store shows in another";
    ASSERT_EQ(BackupBegin(c.nId), BACKUP_OK);
    int nC1 = BackupIsOpen(c.nId);
    EXPECT_GT(nC1, nA1);
    EXPECT_EQ(BackupIsOpen(a.nId), nA1);
    a.p[1] ^= 1;
    c.p[1] ^= 2;
    ASSERT_EQ(BackupCommit(a.nId), BACKUP_OK);
    EXPECT_EQ(BackupIsOpen(c.nId), nC1) << "committing one store closed another's step";
    ASSERT_EQ(BackupCommit(c.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(a.nId), nA1);
    EXPECT_EQ(BackupCanUndo(c.nId), nC1);

    // An opener that remembers its number sees that a later step is not its own.
    ASSERT_EQ(BackupBegin(a.nId), BACKUP_OK);
    int nA2 = BackupIsOpen(a.nId);
    EXPECT_GT(nA2, nC1);
    EXPECT_NE(nA2, nA1);
    ASSERT_EQ(BackupCancel(a.nId), BACKUP_OK);
    int nA3 = CommittedStep(a.nId, [&] { a.p[2] ^= 4; });
    EXPECT_GT(nA3, nA2) << "a cancelled step's number was given out again";
    EXPECT_EQ(BackupCanUndo(a.nId), nA3);

    ASSERT_EQ(BackupUndo(a.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(a.nId), nA1);
    EXPECT_EQ(BackupCanRedo(a.nId), nA3);
    ASSERT_EQ(BackupUndo(a.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(a.nId), 0);
    EXPECT_EQ(BackupCanRedo(a.nId), nA1);
    ASSERT_EQ(BackupRedo(a.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(a.nId), nA1);
    EXPECT_EQ(BackupCanRedo(a.nId), nA3);
    // The other store saw none of it.
    EXPECT_EQ(BackupCanUndo(c.nId), nC1);
    EXPECT_EQ(BackupCanRedo(c.nId), 0);

    // A store created later still continues the count.
    StoreBlock d = Block(kPage);
    ASSERT_BLOCK(d);
    int nD = CommittedStep(d.nId, [&] { d.p[0] ^= 1; });
    EXPECT_GT(nD, nA3);
}

// --- Seal ------------------------------------------------------------------------------

TEST_F(BackupStoreTest, SealKeepsStepsForGoodAndLeavesRedo)
{
    StoreBlock b = Block(2 * kPage);
    ASSERT_BLOCK(b);
    std::size_t nKeptBefore = Stats(b.nId).nKept;
    CommittedStep(b.nId, [&] { b.p[1] ^= 1; });
    CommittedStep(b.nId, [&] { b.p[2] ^= 2; });
    int n3 = CommittedStep(b.nId, [&] { b.p[kPage + 3] ^= 3; });
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    auto sealedImage = Image(b);

    ASSERT_EQ(BackupSeal(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(b.nId), 0);
    EXPECT_EQ(BackupCanRedo(b.nId), n3);
    BackupStoreStats st = Stats(b.nId);
    EXPECT_EQ(st.nUndo, 0u);
    EXPECT_EQ(st.nRedo, 1u);
    EXPECT_EQ(st.nKept, nKeptBefore + 2);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY);
    EXPECT_TRUE(SameBytes(b.p, sealedImage));

    // Redo still works, and the redone step is undoable again.
    ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupCanUndo(b.nId), n3);
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_TRUE(SameBytes(b.p, sealedImage));
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY);

    // The limit never drops sealed steps.
    g_nUndoRedoStep = 1;
    for (int i = 0; i < 3; ++i)
        CommittedStep(b.nId, [&] { b.p[50 + i] ^= 0x10; });
    EXPECT_EQ(Stats(b.nId).nKept, nKeptBefore + 2);
    EXPECT_EQ(Stats(b.nId).nUndo, 1u);
    // Sealing with nothing to seal is harmless.
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupSeal(b.nId), BACKUP_OK);
    EXPECT_EQ(BackupSeal(b.nId), BACKUP_OK);
    EXPECT_EQ(Stats(b.nId).nKept, nKeptBefore + 2);
}

// --- Release, destroy, unknown ids ------------------------------------------------

TEST_F(BackupStoreTest, ReleaseFreesEverythingButKeepsTheId)
{
    StoreBlock b = Block(3 * kPage);
    ASSERT_BLOCK(b);
    CommittedStep(b.nId, [&] { b.p[0] ^= 1; });
    CommittedStep(b.nId, [&] { b.p[kPage] ^= 1; });
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    ASSERT_GT(Stats(b.nId).nPages, 0u);

    ASSERT_EQ(BackupRelease(b.nId), BACKUP_OK);
    BackupStoreStats st = Stats(b.nId);
    EXPECT_EQ(st.nPages, 0u) << "memory kept after release";
    EXPECT_EQ(st.nUndo, 0u);
    EXPECT_EQ(st.nRedo, 0u);
    EXPECT_EQ(st.nKept, 0u);
    EXPECT_EQ(BackupHeapInfo(b.nId), nullptr);
    EXPECT_EQ(BackupIsOpen(b.nId), 0);
    EXPECT_EQ(BackupCanUndo(b.nId), 0);
    EXPECT_EQ(BackupCanRedo(b.nId), 0);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_EMPTY);
    EXPECT_EQ(BackupRedo(b.nId), BACKUP_E_EMPTY);
    EXPECT_EQ(BackupCommit(b.nId), BACKUP_E_NOT_OPEN);
    EXPECT_EQ(BackupRelease(b.nId), BACKUP_OK) << "releasing an empty store";

    // The store starts over: a new frame, new steps.
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    auto* p = static_cast<uint8_t*>(BackupAlloc(38400, b.nId));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(gwtest::BlockHeader(p), 65532u);
    ASSERT_EQ(BackupCommit(b.nId), BACKUP_OK);
    ASSERT_EQ(BackupSeal(b.nId), BACKUP_OK);
    uint8_t was = p[38399];
    CommittedStep(b.nId, [&] { p[38399] ^= 0xFF; });
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_EQ(p[38399], was);
}

TEST_F(BackupStoreTest, DestroyRemovesTheIdForGood)
{
    StoreBlock b = Block(kPage);
    ASSERT_BLOCK(b);
    CommittedStep(b.nId, [&] { b.p[0] ^= 1; });
    ASSERT_EQ(BackupDestroy(b.nId), BACKUP_OK);

    BackupStoreStats st;
    EXPECT_FALSE(BackupGetStats(b.nId, st));
    EXPECT_EQ(BackupBegin(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupAlloc(100, b.nId), nullptr);
    EXPECT_EQ(BackupCommit(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupCancel(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupUndo(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupRedo(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupSeal(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupRelease(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupDestroy(b.nId), BACKUP_E_NO_STORE);
    EXPECT_EQ(BackupCanUndo(b.nId), 0);
    EXPECT_EQ(BackupHeapInfo(b.nId), nullptr);

    // Ids are never handed out again.
    unsigned nNext = Create(), nAfter = Create();
    EXPECT_GT(nNext, b.nId);
    EXPECT_EQ(nAfter, nNext + 1);
}

TEST_F(BackupStoreTest, UnknownIdsAreRefused)
{
    unsigned nLatest = Create();
    for (unsigned nId : {0u, nLatest + 1, nLatest + 1000, 0xFFFFFFFFu}) {
        SCOPED_TRACE(testing::Message() << "id " << nId);
        BackupStoreStats st;
        EXPECT_FALSE(BackupGetStats(nId, st));
        EXPECT_EQ(BackupBegin(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupAlloc(64, nId), nullptr);
        EXPECT_EQ(BackupCommit(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupCancel(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupUndo(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupRedo(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupSeal(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupRelease(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupDestroy(nId), BACKUP_E_NO_STORE);
        EXPECT_EQ(BackupIsOpen(nId), 0);
        EXPECT_EQ(BackupCanUndo(nId), 0);
        EXPECT_EQ(BackupCanRedo(nId), 0);
        EXPECT_EQ(BackupHeapInfo(nId), nullptr);
    }
    // Nothing was created by asking.
    unsigned nNext = Create();
    EXPECT_EQ(nNext, nLatest + 1);
}

TEST_F(BackupStoreTest, AllocationNeedsAnOpenStep)
{
    unsigned nId = Create();
    EXPECT_EQ(BackupAlloc(100, nId), nullptr);
    EXPECT_EQ(BackupHeapInfo(nId), nullptr);
    EXPECT_EQ(gwtest::PagesOf(nId), 0u);
}

// Release-all is refused while any store has a step open, and then releases
// nothing. Its success touches every store in the process, so that check runs
// in a child.
TEST_F(BackupStoreTest, ReleaseAllIsRefusedWhileAnyStoreIsOpen)
{
    StoreBlock a = Block(2 * kPage), c = Block(2 * kPage);
    ASSERT_BLOCK(a);
    ASSERT_BLOCK(c);
    int nC = CommittedStep(c.nId, [&] { c.p[3] ^= 3; });
    std::size_t nPagesA = gwtest::PagesOf(a.nId), nPagesC = gwtest::PagesOf(c.nId);

    ASSERT_EQ(BackupBegin(a.nId), BACKUP_OK);
    int nA = BackupIsOpen(a.nId);
    a.p[5] ^= 5;
    EXPECT_EQ(BackupReleaseAll(), BACKUP_E_OPEN);
    EXPECT_EQ(gwtest::PagesOf(a.nId), nPagesA);
    EXPECT_EQ(gwtest::PagesOf(c.nId), nPagesC);
    EXPECT_EQ(BackupCanUndo(c.nId), nC);
    EXPECT_EQ(BackupIsOpen(a.nId), nA);
    a.p[6] ^= 6;
    ASSERT_EQ(BackupCommit(a.nId), BACKUP_OK);

    gwtest::ChildEnd end = gwtest::RunInChild([&]() -> int {
        if (BackupReleaseAll() != BACKUP_OK)
            return 10;
        for (unsigned nId : {a.nId, c.nId}) {
            BackupStoreStats st;
            if (!BackupGetStats(nId, st))
                return 11; // the id went away
            if (st.nPages != 0 || st.nUndo != 0 || st.nKept != 0)
                return 12;
            if (BackupCanUndo(nId) != 0 || BackupUndo(nId) != BACKUP_E_EMPTY)
                return 13;
        }
        return 0;
    });
    EXPECT_TRUE(end.bExited() && end.nExit() == 0)
        << "child " << end.Describe()
        << " (10: refused, 11: id removed, 12: memory or steps kept, 13: still undoable)";
}

// --- What a step records -------------------------------------------------------------

struct DiffCase {
    const char* szName;
    std::vector<std::size_t> changedWords; // word offsets from a page start inside the block
    std::size_t nPages;
    std::size_t nBytes;
};

class BackupStepDiff : public BackupStoreTest, public testing::WithParamInterface<DiffCase> {};

TEST_P(BackupStepDiff, RecordsTheEncodedDifference)
{
    const DiffCase& c = GetParam();
    StoreBlock b = Block(4 * kPage);
    ASSERT_BLOCK(b);
    // The first page boundary inside the block; there are two whole pages after it.
    auto base = reinterpret_cast<uintptr_t>(b.p);
    auto* pPage = reinterpret_cast<uint16_t*>((base + kPage - 1) / kPage * kPage);
    ASSERT_LE(reinterpret_cast<uint8_t*>(pPage) + 2 * kPage, b.p + b.nSize);

    CommittedStep(b.nId, [&] {
        for (std::size_t w : c.changedWords)
            pPage[w] ^= 0x0005;
    });
    BackupStoreStats st = Stats(b.nId);
    EXPECT_EQ(st.nNewestDiffPages, c.nPages);
    EXPECT_EQ(st.nNewestDiffBytes, c.nBytes);

    // An open step is not the newest committed one.
    ASSERT_EQ(BackupBegin(b.nId), BACKUP_OK);
    pPage[700] ^= 1;
    pPage[2048 + 700] ^= 1;
    st = Stats(b.nId);
    EXPECT_EQ(st.nNewestDiffPages, c.nPages);
    EXPECT_EQ(st.nNewestDiffBytes, c.nBytes);
    ASSERT_EQ(BackupCancel(b.nId), BACKUP_OK);
    // Once undone, the step is not counted either.
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    st = Stats(b.nId);
    EXPECT_EQ(st.nNewestDiffPages, 0u);
    EXPECT_EQ(st.nNewestDiffBytes, 0u);
}

// One instruction storing across a page edge faults on both pages in turn;
// both are recorded and undo restores both.
TEST_F(BackupStoreTest, SingleStoreAcrossAPageEdge)
{
    StoreBlock b = Block(4 * kPage);
    ASSERT_BLOCK(b);
    auto* pEdge = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(b.p) + kPage) / kPage * kPage);
    ASSERT_LE(pEdge + 8, b.p + b.nSize);
    auto before = Image(b);
    const uint64_t nValue = 0x0123456789ABCDEFull ^ [&] {
        uint64_t n;
        std::memcpy(&n, pEdge - 3, 8);
        return n;
    }();
    int n = CommittedStep(b.nId, [&] { std::memcpy(pEdge - 3, &nValue, 8); });
    uint64_t nRead;
    std::memcpy(&nRead, pEdge - 3, 8);
    EXPECT_EQ(nRead, nValue);
    EXPECT_EQ(BackupCanUndo(b.nId), n);
    EXPECT_EQ(Stats(b.nId).nNewestDiffPages, 2u);
    ASSERT_EQ(BackupUndo(b.nId), BACKUP_OK);
    EXPECT_TRUE(SameBytes(b.p, before));
    ASSERT_EQ(BackupRedo(b.nId), BACKUP_OK);
    std::memcpy(&nRead, pEdge - 3, 8);
    EXPECT_EQ(nRead, nValue);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, BackupStepDiff,
    testing::Values(DiffCase{"word_100", {100}, 1, 14}, DiffCase{"word_2", {2}, 1, 14},
                    DiffCase{"word_2045", {2045}, 1, 14}, DiffCase{"first_word", {0}, 1, 10},
                    DiffCase{"second_word", {1}, 1, 12}, DiffCase{"last_word", {2047}, 1, 10},
                    DiffCase{"two_words_apart", {100, 1000}, 1, 20},
                    DiffCase{"across_a_page_edge", {2047, 2048}, 2, 20},
                    DiffCase{"one_word_in_each_of_two_pages", {100, 2048 + 100}, 2, 28}),
    [](const testing::TestParamInfo<DiffCase>& i) { return i.param.szName; });

TEST_F(BackupStoreTest, WholePagesOfNoiseCostTheWorstCase)
{
    StoreBlock b = Block(4 * kPage);
    ASSERT_BLOCK(b);
    auto base = reinterpret_cast<uintptr_t>(b.p);
    auto* pPage = reinterpret_cast<uint16_t*>((base + kPage - 1) / kPage * kPage);
    CommittedStep(b.nId, [&] {
        for (std::size_t w = 0; w < 2 * BACKUP_PAGE_SIZE / 2; ++w)
            pPage[w] ^= static_cast<uint16_t>(w % 2 ? 0x1234 : 0x4321);
    });
    BackupStoreStats st = Stats(b.nId);
    EXPECT_EQ(st.nNewestDiffPages, 2u);
    EXPECT_EQ(st.nNewestDiffBytes, 2u * 4372u);
}

// Several steps over many pages, undone and redone in a random walk, each state
// checked byte for byte.
TEST_F(BackupStoreTest, UndoAndRedoRestoreManyPagesExactly)
{
    constexpr std::size_t kSize = 48 * kPage;
    StoreBlock b = Block(kSize);
    ASSERT_BLOCK(b);
    const std::size_t nSpanned =
        (reinterpret_cast<uintptr_t>(b.p) + kSize - 1) / kPage - reinterpret_cast<uintptr_t>(b.p) / kPage + 1;
    Rng rng(4242);
    std::vector<std::vector<uint8_t>> states{Image(b)};
    std::vector<int> numbers{0};

    auto step = [&](auto fn) {
        numbers.push_back(CommittedStep(b.nId, fn));
        states.push_back(Image(b));
    };
    step([&] { rng.Fill(b.p, kSize); }); // every byte
    EXPECT_EQ(Stats(b.nId).nNewestDiffPages, nSpanned);
    EXPECT_LE(Stats(b.nId).nNewestDiffBytes, nSpanned * 4372);
    step([&] {
        for (int i = 0; i < 300; ++i)
            b.p[rng.Below(kSize)] = rng.Byte();
    });
    step([&] {
        for (std::size_t pg = 0; pg < 48; pg += 2)
            std::memset(b.p + pg * kPage, static_cast<int>(pg), kPage);
    });
    step([&] {
        b.p[0] ^= 0x80;
        b.p[kSize - 1] ^= 0x01;
    });
    step([&] { // some fields of every 16-byte record: short runs between busy words
        auto* pWords = reinterpret_cast<uint16_t*>(b.p);
        for (std::size_t w = 0; w < kSize / 2; ++w)
            if (w % 8 < 2 || w % 8 == 6)
                pWords[w] = static_cast<uint16_t>(pWords[w] ^ (rng.Word() | 1));
    });
    step([&] {
        std::size_t at = rng.Below(kSize - 9000);
        rng.Fill(b.p + at, 9000);
    });
    step([] {});
    const int nSteps = static_cast<int>(states.size()) - 1;

    int nAt = nSteps;
    for (int nMove = 0; nMove < 400; ++nMove) {
        bool bUndo = rng.Chance(50);
        unsigned s = bUndo ? BackupUndo(b.nId) : BackupRedo(b.nId);
        if (bUndo ? nAt == 0 : nAt == nSteps) {
            ASSERT_EQ(s, BACKUP_E_EMPTY) << "move " << nMove;
        } else {
            ASSERT_EQ(s, BACKUP_OK) << "move " << nMove;
            nAt += bUndo ? -1 : 1;
        }
        ASSERT_TRUE(SameBytes(b.p, states[nAt])) << "move " << nMove << ", at state " << nAt;
        ASSERT_EQ(BackupCanUndo(b.nId), numbers[nAt]);
        ASSERT_EQ(BackupCanRedo(b.nId), nAt < nSteps ? numbers[nAt + 1] : 0);
    }
}

} // namespace
