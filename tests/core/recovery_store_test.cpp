// Recovery copies: what a copy holds, failed writes that keep the previous
// copy, sessions of other processes alive and dead, and damaged copies.
#include "core/recovery_store.h"

#include "gwp_test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <functional>

namespace {

using namespace gwptest;

CRecoverySnapshot Snap(int nRows, int nCols, int nFrames, const std::string& strPath = "")
{
    const std::string strCells = HandBuiltFile(nFrames, nCols, nRows).substr(GWP_HEADER_SIZE);
    CRecoverySnapshot snap{nRows, nCols, std::vector<CharCell>(strCells.size() / 16), strPath,
                           1234, {}};
    std::memcpy(snap.cells.data(), strCells.data(), strCells.size());
    return snap;
}

// A session that ended without a clean exit: its store is gone, lock released.
std::string LeaveCopy(const std::string& strFolder, const CRecoverySnapshot& snap)
{
    CRecoveryStore store(strFolder);
    std::string strError;
    EXPECT_TRUE(store.Open(&strError) && store.WriteCopy(snap, &strError)) << strError;
    return store.SessionName();
}

// Forks a child that runs fn and ends with its result, bypassing the parent's test machinery.
pid_t StartChild(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        _exit(fn());
    }
    return pid;
}

int WaitChild(pid_t pid)
{
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

TEST(RecoveryStore, CopyIsTheDrawingAsSavedWithItsDescription)
{
    CArtDoc doc;
    BuildModified(doc, 5, 7, 4);
    doc.DeleteFrame(1); // keys 0, 2, 3: a gap the copy must not show
    const std::string strOddPath = "/home/a\nframes=9\\n/b.gwp";
    const CRecoverySnapshot snap = TakeRecoverySnapshot(doc, strOddPath);
    ASSERT_EQ(snap.FrameCount(), 3);
    const std::string strSaved = GwpSerialize(doc);

    TempDir tmp;
    const std::string strFolder = tmp / "state/Glyphwright/recovery";
    {
        CRecoveryStore store(strFolder);
        std::string strError;
        ASSERT_TRUE(store.Open(&strError)) << strError;
        ASSERT_TRUE(store.WriteCopy(Snap(2, 2, 1), &strError)) << strError;
        ASSERT_TRUE(store.WriteCopy(snap, &strError)) << strError;
        CRecoverySnapshot bad = Snap(2, 2, 1);
        bad.cells.pop_back();
        EXPECT_FALSE(store.WriteCopy(bad, &strError));
    }
    const auto vEntries = FindOrphanedCopies(strFolder);
    ASSERT_EQ(vEntries.size(), 1u);
    const CRecoveryEntry& e = vEntries[0];
    EXPECT_FALSE(e.bDamaged);
    EXPECT_EQ(e.strOriginalPath, strOddPath);
    EXPECT_EQ(e.nFrames, 3);
    EXPECT_EQ(e.nTime, snap.nTime);
    const std::string strCopy = ReadOrEmpty(e.strCopyPath);
    EXPECT_EQ(strCopy, strSaved);
    CGwpImage image;
    EXPECT_EQ(GwpParse(strCopy, &image, nullptr), EGwpResult::Ok);
    EXPECT_EQ(Entries(strFolder).size(), 3u) << "the first copy is gone: lock, description, copy";
    struct stat st {};
    ASSERT_EQ(stat(strFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_TRUE(DiscardCopy(e));
    EXPECT_TRUE(Entries(strFolder).empty());
}

// A full disk, as a file size limit in a child, stopping either file of the
// pair; and a write cancelled (the drawing was saved meanwhile).
TEST(RecoveryStore, FailedWriteKeepsThePreviousCopy)
{
    struct Case {
        const char* pszName;
        CRecoverySnapshot next;
        rlim_t nLimit;
        bool bCancel;
    };
    const Case cases[] = {
        {"copy fails", Snap(40, 60, 3), 4096, false},
        {"description fails", Snap(1, 1, 1, "untitled drawing"), 64, false},
        {"cancelled", Snap(5, 7, 2), RLIM_INFINITY, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        TempDir tmp;
        const int nResult = WaitChild(StartChild([&] {
            CRecoveryStore store(tmp.Path());
            if (!store.Open(nullptr) || !store.WriteCopy(Snap(5, 7, 3), nullptr))
                return 2;
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{c.nLimit, c.nLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::string strError;
            const std::atomic<bool> bCancel{c.bCancel};
            return store.WriteCopy(c.next, &strError, &bCancel) || strError.empty() ? 1 : 0;
        }));
        ASSERT_EQ(nResult, 0);
        const auto vEntries = FindOrphanedCopies(tmp.Path());
        ASSERT_EQ(vEntries.size(), 1u);
        EXPECT_FALSE(vEntries[0].bDamaged);
        EXPECT_EQ(vEntries[0].nFrames, 3);
        EXPECT_EQ(ReadOrEmpty(vEntries[0].strCopyPath), HandBuiltFile(3, 7, 5));
        EXPECT_EQ(Entries(tmp.Path()).size(), 3u) << "nothing half written is left";
    }
}

// Two programs: neither offers the other's live copy; once one is killed,
// its copy is offered and can be discarded; a clean exit leaves nothing.
TEST(RecoveryStore, SessionsOfOtherProcesses)
{
    TempDir tmp;
    CRecoveryStore own(tmp.Path());
    ASSERT_TRUE(own.Open(nullptr));
    ASSERT_TRUE(own.WriteCopy(Snap(3, 3, 1), nullptr));

    int fdReady[2];
    ASSERT_EQ(pipe(fdReady), 0);
    const pid_t pid = StartChild([&] {
        CRecoveryStore store(tmp.Path());
        const bool bOk = store.Open(nullptr) && store.WriteCopy(Snap(4, 6, 2), nullptr);
        (void)!write(fdReady[1], bOk ? "y" : "n", 1);
        pause(); // until killed
        return 0;
    });
    char ch = 0;
    ASSERT_EQ(read(fdReady[0], &ch, 1), 1);
    close(fdReady[0]);
    close(fdReady[1]);
    if (ch != 'y')
        kill(pid, SIGKILL);
    ASSERT_EQ(ch, 'y');
    EXPECT_TRUE(FindOrphanedCopies(tmp.Path()).empty());
    EXPECT_EQ(Entries(tmp.Path()).size(), 6u);

    kill(pid, SIGKILL);
    EXPECT_EQ(WaitChild(pid), 128 + SIGKILL);
    auto vEntries = FindOrphanedCopies(tmp.Path());
    ASSERT_EQ(vEntries.size(), 1u);
    EXPECT_NE("session-" + vEntries[0].strSession, own.SessionName());
    EXPECT_FALSE(vEntries[0].bDamaged);
    EXPECT_EQ(ReadOrEmpty(vEntries[0].strCopyPath), HandBuiltFile(2, 6, 4));
    ASSERT_TRUE(DiscardCopy(vEntries[0]));
    EXPECT_EQ(Entries(tmp.Path()).size(), 3u) << "the own copy is untouched";

    EXPECT_EQ(WaitChild(StartChild([&] {
                  CRecoveryStore store(tmp.Path());
                  if (!store.Open(nullptr) || !store.WriteCopy(Snap(2, 2, 1), nullptr))
                      return 1;
                  store.CloseClean();
                  return 0;
              })),
              0);
    own.CloseClean();
    EXPECT_TRUE(Entries(tmp.Path()).empty());
}

// A new program with the process id of a crashed one must not take its copy.
TEST(RecoveryStore, ReusedProcessIdLeavesTheCrashedCopyAlone)
{
    TempDir tmp;
    const std::string strCrashed = LeaveCopy(tmp.Path(), Snap(5, 7, 2));
    CRecoveryStore store(tmp.Path());
    ASSERT_TRUE(store.Open(nullptr));
    EXPECT_NE(store.SessionName(), strCrashed);
    ASSERT_TRUE(store.WriteCopy(Snap(2, 2, 1), nullptr));
    ASSERT_TRUE(store.RemoveCopy());
    EXPECT_EQ(Entries(tmp.Path()).size(), 4u) << "the crashed copy and the own lock";
    const auto vEntries = FindOrphanedCopies(tmp.Path());
    ASSERT_EQ(vEntries.size(), 1u);
    EXPECT_FALSE(vEntries[0].bDamaged);
    EXPECT_EQ(ReadOrEmpty(vEntries[0].strCopyPath), HandBuiltFile(2, 7, 5));
}

TEST(RecoveryStore, DamagedCopiesAreFlaggedAndDiscardable)
{
    using Damage = std::function<void(const CRecoveryEntry&)>;
    const auto write = [](const std::string& strPath, const std::string& str) {
        ASSERT_TRUE(SaveFileSafely(strPath, str, nullptr));
    };
    const std::pair<const char*, Damage> cases[] = {
        {"copy cut short",
         [&](auto& e) { write(e.strCopyPath, ReadOrEmpty(e.strCopyPath).substr(1)); }},
        {"copy changed",
         [&](auto& e) { write(e.strCopyPath, ReadOrEmpty(e.strCopyPath).replace(30, 1, "!")); }},
        {"copy missing", [](auto& e) { unlink(e.strCopyPath.c_str()); }},
        {"description missing", [](auto& e) { unlink(e.strDescPath.c_str()); }},
        {"description garbage", [&](auto& e) { write(e.strDescPath, "\x01\x02garbage\n\n=="); }},
        {"description points away",
         [&](auto& e) {
             std::string str = ReadOrEmpty(e.strDescPath);
             const auto n = str.find("copy=") + 5;
             write(e.strDescPath, str.replace(n, str.find('\n', n) - n, "../../victim.gwp"));
         }},
    };
    for (const auto& [pszName, damage] : cases) {
        SCOPED_TRACE(pszName);
        TempDir tmp;
        const std::string strFolder = tmp / "a/b";
        write(tmp / "victim.gwp", HandBuiltFile(1, 4, 4));
        LeaveCopy(strFolder, Snap(4, 4, 1));
        auto vEntries = FindOrphanedCopies(strFolder);
        ASSERT_EQ(vEntries.size(), 1u);
        ASSERT_FALSE(vEntries[0].bDamaged);
        damage(vEntries[0]);
        vEntries = FindOrphanedCopies(strFolder);
        ASSERT_EQ(vEntries.size(), 1u);
        EXPECT_TRUE(vEntries[0].bDamaged);
        EXPECT_TRUE(DiscardCopy(vEntries[0]));
        EXPECT_TRUE(Entries(strFolder).empty());
        EXPECT_EQ(ReadOrEmpty(tmp / "victim.gwp"), HandBuiltFile(1, 4, 4));
    }
}

} // namespace
