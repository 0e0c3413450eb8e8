// The write-fault filter serves first writes inside an open step and nothing
// else: every other write fault still ends the process with SIGSEGV. Each case
// runs in a forked child.
#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace {

using gwtest::AllocSealed;
using gwtest::ChildEnd;
using gwtest::RunInChild;
using gwtest::StoreBlock;

constexpr std::size_t kPage = BACKUP_PAGE_SIZE;

void Poke(void* p, uint8_t v) { *static_cast<volatile uint8_t*>(p) = v; }

// A child whose fn is expected to die on a write fault. Its stderr is
// silenced: under AddressSanitizer the fault is reported there at length.
void ExpectSegv(const char* szWhat, const std::function<void()>& fn)
{
    ChildEnd end = RunInChild(
        [&]() -> int {
            int fd = open("/dev/null", O_WRONLY);
            if (fd >= 0)
                dup2(fd, STDERR_FILENO);
            fn();
            return 0; // the write went through
        },
        20);
    EXPECT_TRUE(end.bCrashedOnSegv()) << szWhat << ": the child " << end.Describe()
                                      << (end.bExited() && end.nExit() == 0 ? " (the write went through)" : "");
}

// A store with a sealed three-page block, made in the child.
StoreBlock ChildStore()
{
    StoreBlock b = AllocSealed(BackupCreate(), 3 * kPage);
    if (!b.p)
        _exit(90);
    return b;
}

TEST(BackupFault, WriteWithNoStepOpenCrashes)
{
    ExpectSegv("write to a fresh store's block", [] {
        StoreBlock b = ChildStore();
        Poke(b.p + kPage, 1);
    });
}

// Once a step is closed, however it was closed, its pages are read-only again.
struct AfterCase {
    const char* szName;
    void (*pfnClose)(unsigned nId);
};

class BackupFaultAfter : public testing::TestWithParam<AfterCase> {};

TEST_P(BackupFaultAfter, PagesWrittenInAStepAreReadOnlyAgain)
{
    const AfterCase c = GetParam();
    ExpectSegv(c.szName, [&] {
        StoreBlock b = ChildStore();
        if (BackupBegin(b.nId) != BACKUP_OK)
            _exit(91);
        Poke(b.p + kPage + 8, 0x42);
        if (BackupCommit(b.nId) != BACKUP_OK)
            _exit(92);
        c.pfnClose(b.nId);
        Poke(b.p + kPage + 16, 0x43); // same page
    });
}

INSTANTIATE_TEST_SUITE_P(
    Closes, BackupFaultAfter,
    testing::Values(AfterCase{"commit", [](unsigned) {}},
                    AfterCase{"cancel",
                              [](unsigned nId) {
                                  BackupBegin(nId);
                                  BackupCancel(nId);
                              }},
                    AfterCase{"undo", [](unsigned nId) { BackupUndo(nId); }},
                    AfterCase{"redo",
                              [](unsigned nId) {
                                  BackupUndo(nId);
                                  BackupRedo(nId);
                              }},
                    AfterCase{"seal", [](unsigned nId) { BackupSeal(nId); }}),
    [](const testing::TestParamInfo<AfterCase>& i) { return i.param.szName; });

// A step open in one store does not make another store writable.
TEST(BackupFault, StepOfAnotherStoreDoesNotCover)
{
    ExpectSegv("write to a store with no step while another has one", [] {
        StoreBlock a = ChildStore(), b = ChildStore();
        if (BackupBegin(a.nId) != BACKUP_OK)
            _exit(91);
        Poke(a.p, 1);
        Poke(b.p, 1);
    });
}

TEST(BackupFault, BookkeepingPageIsReadOnly)
{
    ExpectSegv("write to the heap's bookkeeping page with no step", [] {
        StoreBlock b = ChildStore();
        auto* pInfo = static_cast<uint8_t*>(BackupHeapInfo(b.nId));
        if (!pInfo)
            _exit(93);
        Poke(pInfo + 100, 0xEE);
    });
}

TEST(BackupFault, UnrelatedReadOnlyPageCrashesEvenWithAStepOpen)
{
    ExpectSegv("write to a read-only mapping", [] {
        StoreBlock b = ChildStore();
        BackupBegin(b.nId);
        void* p = mmap(nullptr, kPage, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            _exit(94);
        Poke(static_cast<uint8_t*>(p) + 10, 1);
    });
}

TEST(BackupFault, NullWriteCrashes)
{
    ExpectSegv("write through a null pointer", [] {
        StoreBlock b = ChildStore();
        BackupBegin(b.nId);
        volatile uintptr_t nZero = 0;
        Poke(reinterpret_cast<void*>(nZero + 8), 1);
    });
}

// Installing the filter again must not make it its own previous handler: a
// foreign fault still ends in SIGSEGV instead of looping.
TEST(BackupFault, InstallingTwiceStillPassesForeignFaultsOn)
{
    ExpectSegv("write to a read-only mapping after a second install", [] {
        BackupInstallFaultFilter();
        BackupInstallFaultFilter();
        void* p = mmap(nullptr, kPage, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            _exit(94);
        Poke(p, 1);
    });
}

// The control: inside a step, and in a child, writes are served.
TEST(BackupFault, WritesInsideAStepAreServed)
{
    ChildEnd end = RunInChild([]() -> int {
        StoreBlock b = ChildStore();
        BackupInstallFaultFilter(); // a repeated install changes nothing
        if (BackupBegin(b.nId) != BACKUP_OK)
            return 91;
        for (std::size_t i = 0; i < b.nSize; i += 512)
            Poke(b.p + i, static_cast<uint8_t>(i >> 9));
        if (BackupCommit(b.nId) != BACKUP_OK)
            return 92;
        for (std::size_t i = 0; i < b.nSize; i += 512)
            if (b.p[i] != static_cast<uint8_t>(i >> 9))
                return 95;
        return 0;
    });
    EXPECT_TRUE(end.bExited() && end.nExit() == 0) << "the child " << end.Describe();
}

} // namespace
