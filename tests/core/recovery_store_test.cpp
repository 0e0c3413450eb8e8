// Recovery copies: what a copy holds, failed writes that keep the previous
// copy, sessions of other processes alive and dead, and damaged copies.
#include "core/recovery_store.h"

#include "gwp_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace {

using namespace gwptest;

CRecoverySnapshot Snap(int nRows, int nCols, int nFrames, const std::string& strPath = "")
{
    const std::string str = HandBuiltFile(nFrames, nCols, nRows).substr(GWP_HEADER_SIZE);
    CRecoverySnapshot snap{
        nRows, nCols, std::vector<CharCell>(str.size() / 16), strPath, 1234, {}, {}};
    std::memcpy(snap.cells.data(), str.data(), str.size());
    return snap;
}

// A session that wrote vSnaps in turn and ended without a clean exit: its
// store is gone, lock released.
std::string LeaveCopy(const std::string& strFolder, const std::vector<CRecoverySnapshot>& vSnaps)
{
    CRecoveryStore store(strFolder);
    std::string strError;
    EXPECT_TRUE(store.Open(&strError)) << strError;
    for (const CRecoverySnapshot& snap : vSnaps)
        EXPECT_TRUE(store.WriteCopy(snap, &strError)) << strError;
    return store.SessionName();
}

// Forks another program that writes snap to a store in strFolder and then ends
// with then(store), or 2 if it could not write; it bypasses this one's test machinery.
pid_t StartWriter(const std::string& strFolder, const CRecoverySnapshot& snap,
                  const std::function<int(CRecoveryStore&)>& then)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        CRecoveryStore store(strFolder);
        _exit(store.Open(nullptr) && store.WriteCopy(snap, nullptr) ? then(store) : 2);
    }
    return pid;
}

int WaitChild(pid_t pid)
{
    int nStatus = 0;
    TEMP_FAILURE_RETRY(waitpid(pid, &nStatus, 0));
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
}

// Runs fn in a child that an alarm ends should a call block: fn's result, 99
// when it threw (not to the test runner's copy), or 128 + the signal.
int RunInChild(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(20);
        try {
            _exit(fn());
        } catch (...) {
            _exit(99);
        }
    }
    return WaitChild(pid);
}

// The one copy offered in strFolder, checked to be intact and to be strFile.
std::optional<CRecoveryEntry> IntactCopy(const std::string& strFolder, const std::string& strFile)
{
    const auto vEntries = FindOrphanedCopies(strFolder);
    EXPECT_EQ(vEntries.size(), 1u);
    if (vEntries.size() != 1)
        return std::nullopt;
    EXPECT_FALSE(vEntries[0].bDamaged);
    EXPECT_EQ(ReadOrEmpty(vEntries[0].strCopyPath), strFile);
    return vEntries[0];
}

// What a copy holds; and a new program with the process id of the crashed one
// (this process again) must not take its copy.
TEST(RecoveryStore, CopyIsTheDrawingAsSavedAndOutlivesItsProcessId)
{
    CArtDoc doc;
    BuildModified(doc, 5, 7, 4);
    doc.DeleteFrame(1); // keys 0, 2, 3: a gap the copy must not show
    const std::string strOddPath = "/home/a\nframes=9\\n/b.gwp";
    CRecoverySnapshot snap = TakeRecoverySnapshot(doc, strOddPath);
    snap.crBack = 0x00C08040u;
    ASSERT_EQ(snap.FrameCount(), 3);
    const std::string strSaved = GwpSerialize(doc);

    TempDir tmp;
    const std::string strFolder = tmp / "state/Glyphwright/recovery";
    const std::string strCrashed = LeaveCopy(strFolder, {Snap(2, 2, 1), snap});
    EXPECT_EQ(Entries(strFolder).size(), 3u) << "the first copy is gone: lock, description, copy";
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(strFolder).permissions() & perms::all, perms::owner_all);
    CRecoveryStore store(strFolder);
    ASSERT_TRUE(store.Open(nullptr) && store.WriteCopy(Snap(2, 2, 1), nullptr));
    EXPECT_NE(store.SessionName(), strCrashed);
    ASSERT_TRUE(store.RemoveCopy());
    EXPECT_EQ(Entries(strFolder).size(), 4u) << "the crashed copy and the own lock";
    const auto e = IntactCopy(strFolder, strSaved);
    ASSERT_TRUE(e);
    EXPECT_EQ(std::tuple(e->strOriginalPath, e->nFrames, e->nTime, e->crBack),
              std::tuple(strOddPath, 3, snap.nTime, std::optional<COLORREF>(0x00C08040u)));
    CGwpImage image;
    EXPECT_EQ(GwpParse(strSaved, &image, nullptr), EGwpResult::Ok);
    ASSERT_TRUE(DiscardCopy(*e));
    EXPECT_EQ(Entries(strFolder), std::vector<std::string>{store.SessionName() + ".lock"});
}

// A full disk, as a file size limit in a child, stopping either file of the
// pair; a write cancelled (the drawing was saved meanwhile); a short snapshot.
TEST(RecoveryStore, FailedWriteKeepsThePreviousCopy)
{
    CRecoverySnapshot shortSnap = Snap(2, 2, 1);
    shortSnap.cells.pop_back();
    const std::tuple<const char*, CRecoverySnapshot, rlim_t, bool> cases[] = {
        {"copy fails", Snap(40, 60, 3), 4096, false},
        {"description fails", Snap(1, 1, 1, "untitled drawing"), 64, false},
        {"cancelled", Snap(5, 7, 2), RLIM_INFINITY, true},
        {"cells missing", shortSnap, RLIM_INFINITY, false},
    };
    for (const auto& [pszName, next, nLimit, bCancel] : cases) {
        SCOPED_TRACE(pszName);
        TempDir tmp;
        const int nResult = WaitChild(StartWriter(tmp.Path(), Snap(5, 7, 3), [&](auto& store) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{nLimit, nLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::string strError;
            const std::atomic<bool> bStop{bCancel};
            return store.WriteCopy(next, &strError, &bStop) || strError.empty() ? 1 : 0;
        }));
        ASSERT_EQ(nResult, 0);
        const auto e = IntactCopy(tmp.Path(), HandBuiltFile(3, 7, 5));
        ASSERT_TRUE(e);
        EXPECT_EQ(e->nFrames, 3);
        EXPECT_EQ(Entries(tmp.Path()).size(), 3u) << "nothing half written is left";
    }
}

// Two programs: neither offers the other's live copy; once one is killed,
// its copy is offered and can be discarded; a clean exit leaves nothing.
TEST(RecoveryStore, SessionsOfOtherProcesses)
{
    TempDir tmp;
    CRecoveryStore own(tmp.Path());
    ASSERT_TRUE(own.Open(nullptr) && own.WriteCopy(Snap(3, 3, 1), nullptr));

    const pid_t pid = StartWriter(tmp.Path(), Snap(4, 6, 2), [](auto&) {
        raise(SIGSTOP); // alive with its copy until killed
        return 0;
    });
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(nStatus)) << "the other program could not write its copy";
    EXPECT_TRUE(FindOrphanedCopies(tmp.Path()).empty());
    EXPECT_EQ(Entries(tmp.Path()).size(), 6u);

    kill(pid, SIGKILL);
    EXPECT_EQ(WaitChild(pid), 128 + SIGKILL);
    const auto e = IntactCopy(tmp.Path(), HandBuiltFile(2, 6, 4));
    ASSERT_TRUE(e);
    EXPECT_NE("session-" + e->strSession, own.SessionName());
    ASSERT_TRUE(DiscardCopy(*e));
    EXPECT_EQ(Entries(tmp.Path()).size(), 3u) << "the own copy is untouched";

    const int nCleanExit = WaitChild(StartWriter(tmp.Path(), Snap(2, 2, 1), [](auto& store) {
        store.CloseClean();
        return 0;
    }));
    EXPECT_EQ(nCleanExit, 0);
    own.CloseClean();
    EXPECT_TRUE(Entries(tmp.Path()).empty());
}

TEST(RecoveryStore, DamagedCopiesAreFlaggedAndDiscardable)
{
    const auto write = [](const std::string& strPath, const std::string& str) {
        ASSERT_TRUE(SaveFileSafely(strPath, str, nullptr));
    };
    const std::pair<const char*, std::function<void(const CRecoveryEntry&)>> cases[] = {
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
        LeaveCopy(strFolder, {Snap(4, 4, 1)});
        const auto e = IntactCopy(strFolder, HandBuiltFile(1, 4, 4));
        ASSERT_TRUE(e);
        damage(*e);
        const auto vEntries = FindOrphanedCopies(strFolder);
        ASSERT_EQ(vEntries.size(), 1u);
        EXPECT_TRUE(vEntries[0].bDamaged);
        EXPECT_TRUE(DiscardCopy(vEntries[0]));
        EXPECT_TRUE(Entries(strFolder).empty());
        EXPECT_EQ(ReadOrEmpty(tmp / "victim.gwp"), HandBuiltFile(1, 4, 4));
    }
}

// FIFOs where locks and leftovers belong block nothing; a FIFO lock is no lock.
TEST(RecoveryStore, PipesInTheFolderDoNotBlock)
{
    TempDir tmp;
    const std::string strSession = LeaveCopy(tmp.Path(), {Snap(2, 2, 1)});
    const std::string strLock = tmp / (strSession + ".lock");
    ASSERT_EQ(unlink(strLock.c_str()), 0);
    for (const std::string& strFifo : {strLock, tmp / "session-77.lock", tmp / ".gw-save-AbC123"})
        ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    const int nResult = RunInChild([&] {
        RemoveLeftovers(tmp.Path());
        CRecoveryEntry entry;
        entry.strFolder = tmp.Path();
        entry.strSession = strSession.substr(std::strlen("session-"));
        return FindOrphanedCopies(tmp.Path()).empty() && !DiscardCopy(entry) ? 0 : 1;
    });
    EXPECT_EQ(nResult, 0) << 128 + SIGALRM << ": it blocked";
    EXPECT_EQ(Entries(tmp.Path()).size(), 5u);
}

// A sparse 1.1 GB copy, checked under a far lower address-space limit, hides no other.
TEST(RecoveryStore, LargeCopyDoesNotHideTheOthers)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
    TempDir tmp;
    const std::string strBig = LeaveCopy(tmp.Path(), {Snap(1, 1, 1)});
    const std::string strSmall = LeaveCopy(tmp.Path(), {Snap(3, 4, 2)});
    constexpr int kFrames = 7000;
    const uint64_t nSize = GWP_HEADER_SIZE + uint64_t(kFrames) * MAX_ROWS * MAX_COLS * 16;
    std::string strDesc = ReadOrEmpty(tmp / (strBig + ".desc"));
    const auto set = [&](const std::string& strKey, uint64_t nValue) {
        const std::size_t n = strDesc.find("\n" + strKey + "=") + strKey.size() + 2;
        strDesc.replace(n, strDesc.find('\n', n) - n, std::to_string(nValue));
    };
    set("frames", kFrames), set("rows", MAX_ROWS), set("cols", MAX_COLS), set("size", nSize);
    ASSERT_TRUE(SaveFileSafely(tmp / (strBig + ".desc"), strDesc, nullptr));
    const std::string strCopy = tmp / (strBig + ".1.gwp");
    ASSERT_TRUE(SaveFileSafely(strCopy, Header(kFrames, MAX_COLS, MAX_ROWS), nullptr));
    ASSERT_EQ(truncate(strCopy.c_str(), off_t(nSize)), 0);
    const int nResult = RunInChild([&]() -> int {
        long nPages = 0; // the address space already in use
        std::ifstream("/proc/self/statm") >> nPages;
        const rlim_t nLimit = rlim_t(nPages) * rlim_t(sysconf(_SC_PAGESIZE)) + (512u << 20);
        const rlimit limit{nLimit, nLimit};
        if (nPages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            return 3;
        const auto v = FindOrphanedCopies(tmp.Path()); // v[v[0].bDamaged]: the intact one
        return v.size() != 2 || v[0].bDamaged == v[1].bDamaged ||
               "session-" + v[v[0].bDamaged].strSession != strSmall;
    });
    EXPECT_EQ(nResult, 0);
}

// Dead sessions' leftovers go; what a live session may be writing, and copies, stay.
TEST(RecoveryStore, LeftoversOfDeadSessionsAreRemoved)
{
    TempDir tmp;
    CRecoveryStore live(tmp.Path());
    ASSERT_TRUE(live.Open(nullptr));
    const std::string strCrashed = LeaveCopy(tmp.Path(), {Snap(2, 2, 1)});
    LeaveCopy(tmp.Path(), {}); // killed before its first copy
    const struct {
        const char* pszName;
        bool bOld, bKept;
    } files[] = {
        {".gw-save-dead01", true, false},
        {".gw-save-live01", true, true},   // locked below: a long write
        {".gw-save-new001", false, true},  // not locked yet
        {"session-555.lock", false, true}, // a session starting
        {"session-556.lock", true, false},
    };
    const timespec aOld[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    for (const auto& file : files) {
        ASSERT_TRUE(SaveFileSafely(tmp / file.pszName, "", nullptr));
        ASSERT_TRUE(!file.bOld || utimensat(AT_FDCWD, (tmp / file.pszName).c_str(), aOld, 0) == 0);
    }
    const int fdHeld = open((tmp / ".gw-save-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(fdHeld, LOCK_EX), 0);
    const auto vBefore = Entries(tmp.Path());
    RemoveLeftovers(tmp.Path());
    std::vector<std::string> vExpected = {live.SessionName() + ".lock", strCrashed + ".1.gwp",
                                          strCrashed + ".desc", strCrashed + ".lock"};
    for (const auto& file : files)
        if (file.bKept)
            vExpected.push_back(file.pszName);
    std::ranges::sort(vExpected);
    EXPECT_EQ(vBefore.size(), vExpected.size() + 3) << "the killed session's lock is there";
    EXPECT_EQ(Entries(tmp.Path()), vExpected);
    close(fdHeld);
}

// A linked folder keeps its target's mode; another user's (a shared 1777) is refused.
TEST(RecoveryStore, LinkedFolderKeepsItsTargetsMode)
{
    for (const bool bOthers : {false, true}) {
        SCOPED_TRACE(bOthers ? "shared folder" : "own folder");
        if (bOthers && geteuid() != 0)
            continue; // only root can give a folder away
        const mode_t nMode = bOthers ? 01777 : 0755;
        TempDir tmp;
        const std::string strTarget = tmp / "target";
        ASSERT_EQ(mkdir(strTarget.c_str(), 0700), 0);
        ASSERT_EQ(chmod(strTarget.c_str(), nMode), 0);
        ASSERT_TRUE(!bOthers || chown(strTarget.c_str(), 65534, 65534) == 0);
        ASSERT_EQ(symlink(strTarget.c_str(), (tmp / "link").c_str()), 0);
        EXPECT_EQ(CRecoveryStore(tmp / "link").Open(nullptr), !bOthers);
        EXPECT_EQ(mode_t(std::filesystem::status(strTarget).permissions()), nMode);
    }
}

} // namespace
