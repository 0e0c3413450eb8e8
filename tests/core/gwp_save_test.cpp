// The ".gwp" document file, written and saved: the bytes a drawing becomes,
// and saves that fail (a read-only file or folder, a full disk, a writer that
// gives up) without ever harming the previous file.
#include "gwp_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace gwptest;

constexpr uid_t kNobody = 65534;

// ---------------------------------------------------------------------------
// Files and child processes

void WriteOrFail(const std::string& strPath, std::string_view data)
{
    FILE* f = std::fopen(strPath.c_str(), "wb");
    ASSERT_NE(f, nullptr) << strPath << ": " << std::strerror(errno);
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), f), data.size());
    ASSERT_EQ(std::fclose(f), 0);
}

// Runs fn in a forked child, which ends with fn's result as its exit status,
// without running the parent's destructors or test machinery.
int RunInChild(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        alarm(60);
        const int n = fn();
        std::fflush(nullptr);
        _exit(n);
    }
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        return -1;
    }
    int nStatus = 0;
    while (waitpid(pid, &nStatus, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(nStatus)) {
        ADD_FAILURE() << "the child ended with status 0x" << std::hex << nStatus;
        return -1;
    }
    return WEXITSTATUS(nStatus);
}

// What a child reports about a save that should have failed.
enum ESaveChild {
    kChildRefused = 0,   // returned false with a reason, modified flag kept
    kChildSaved = 1,     // the save reported success
    kChildNoReason = 2,  // failed without a reason
    kChildFlagLost = 3,  // failed but cleared the modified flag
    kChildSetupFailed = 4,
};

int SaveExpectingFailure(CArtDoc& doc, const std::string& strPath)
{
    std::string strError;
    if (GwpSaveDocument(doc, strPath, &strError))
        return kChildSaved;
    if (strError.empty())
        return kChildNoReason;
    if (!doc.IsModified())
        return kChildFlagLost;
    return kChildRefused;
}

const char* DescribeChild(int n)
{
    switch (n) {
    case kChildRefused: return "refused as it should";
    case kChildSaved: return "the save reported success";
    case kChildNoReason: return "the save failed without a reason";
    case kChildFlagLost: return "the save failed but cleared the modified flag";
    case kChildSetupFailed: return "the child could not set up the failure";
    default: return "the child failed";
    }
}

// ---------------------------------------------------------------------------
// Writing

TEST(GwpWrite, OneDefaultFrameTakes38420Bytes)
{
    TempDir dir;
    const std::string strPath = dir / "one.gwp";
    CArtDoc doc;
    BuildModified(doc, kRows, kCols, 1);
    ASSERT_TRUE(doc.IsModified());
    std::string strError;
    ASSERT_TRUE(GwpSaveDocument(doc, strPath, &strError)) << strError;
    EXPECT_FALSE(doc.IsModified());

    const std::string strSaved = ReadOrEmpty(strPath);
    ASSERT_EQ(strSaved.size(), 38420u);
    EXPECT_EQ(strSaved.substr(0, 8), "GWHEADER");
    EXPECT_EQ(GetInt(strSaved, 8), 1);
    EXPECT_EQ(GetInt(strSaved, 12), 60) << "columns come before rows";
    EXPECT_EQ(GetInt(strSaved, 16), 40);
    EXPECT_TRUE(std::string_view(strSaved).substr(20) == CellBytes(doc.GetCurCells(), doc));
}

TEST(GwpWrite, FramesGoOutInKeyOrderAndComeBackRenumbered)
{
    constexpr int nRows = 3, nCols = 5;
    constexpr std::size_t nBlock = std::size_t(nRows) * nCols * 16;
    CArtDoc doc;
    BuildModified(doc, nRows, nCols, 4); // keys 0..3 hold patterns 0..3
    doc.DeleteFrame(1);
    doc.SelectFrame(0);
    ASSERT_EQ(Keys(doc), (std::vector<int>{0, 2, 3}));

    const std::string strFile = GwpSerialize(doc);
    ASSERT_EQ(strFile.size(), 20 + 3 * nBlock);
    EXPECT_EQ(GetInt(strFile, 8), 3);
    std::vector<std::string> vBlocks;
    for (int nKey : {0, 2, 3})
        vBlocks.emplace_back(CellBytes(doc.GetFrameCells(nKey), doc));
    for (std::size_t n = 0; n < 3; ++n)
        EXPECT_TRUE(std::string_view(strFile).substr(20 + n * nBlock, nBlock) == vBlocks[n])
            << "block " << n;

    ASSERT_EQ(OpenInto(doc, strFile, nullptr), EGwpResult::Ok);
    EXPECT_EQ(Keys(doc), (std::vector<int>{0, 1, 2}));
    for (int nKey : {0, 1, 2})
        EXPECT_TRUE(CellBytes(doc.GetFrameCells(nKey), doc) == vBlocks[std::size_t(nKey)])
            << "key " << nKey;
    EXPECT_EQ(doc.GetCurCells(), doc.GetFrameCells(2));
}

// ---------------------------------------------------------------------------
// Saving

class GwpSave : public testing::Test {
protected:
    void SetUp() override
    {
        m_strOld = HandBuiltFile(1, 2, 2, 5);
        BuildModified(m_doc, kRows, kCols, 2);
        ASSERT_TRUE(m_doc.IsModified());
    }

    // The old file is as it was and nothing else is in its folder.
    void ExpectOldFileKept(const TempDir& dir, const std::string& strName)
    {
        EXPECT_TRUE(ReadOrEmpty(dir / strName) == m_strOld) << "the old file was changed";
        EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{strName}))
            << "a temporary file was left behind";
        EXPECT_TRUE(m_doc.IsModified());
    }

    std::string m_strOld;
    CArtDoc m_doc;
};

TEST_F(GwpSave, ReadOnlyFileIsRefused)
{
    TempDir dir;
    const std::string strPath = dir / "locked.gwp";
    WriteOrFail(strPath, m_strOld);
    ASSERT_EQ(chmod(strPath.c_str(), 0444), 0);

    std::string strError;
    EXPECT_FALSE(GwpSaveDocument(m_doc, strPath, &strError));
    EXPECT_FALSE(strError.empty());
    ExpectOldFileKept(dir, "locked.gwp");
    struct stat st {};
    ASSERT_EQ(stat(strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(GwpSave, ReadOnlyFolderIsRefused)
{
    TempDir dir;
    const std::string strPath = dir / "drawing.gwp";
    WriteOrFail(strPath, m_strOld);
    // The folder can be read and entered by anyone but written by nobody
    // except root, who ignores its mode: the child then saves as "nobody",
    // who owns the file, so only the folder stands in the way.
    const bool bRoot = geteuid() == 0;
    if (bRoot) {
        ASSERT_EQ(chown(strPath.c_str(), kNobody, kNobody), 0) << std::strerror(errno);
    }
    ASSERT_EQ(chmod(strPath.c_str(), 0644), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);

    const int nChild = RunInChild([&] {
        if (bRoot && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            return int(kChildSetupFailed);
        // Make sure the failure comes from the folder, not the file.
        if (access(strPath.c_str(), W_OK) != 0)
            return int(kChildSetupFailed);
        return SaveExpectingFailure(m_doc, strPath);
    });
    EXPECT_EQ(nChild, kChildRefused) << DescribeChild(nChild);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0700), 0);
    ExpectOldFileKept(dir, "drawing.gwp");
}

TEST_F(GwpSave, FullDiskIsRefused)
{
    TempDir dir;
    const std::string strPath = dir / "drawing.gwp";
    WriteOrFail(strPath, m_strOld);
    ASSERT_LT(m_strOld.size(), 4096u);

    // The file size limit stands in for a full disk: writes beyond it fail
    // with EFBIG once SIGXFSZ no longer kills the process.
    const int nChild = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0)
            return int(kChildSetupFailed);
        return SaveExpectingFailure(m_doc, strPath);
    });
    EXPECT_EQ(nChild, kChildRefused) << DescribeChild(nChild);
    ExpectOldFileKept(dir, "drawing.gwp");
}

TEST_F(GwpSave, SavingThroughALinkWritesItsTargetAndKeepsTheLink)
{
    struct LinkCase {
        const char* szName;
        const char* szTarget; // relative to the folder, or absolute when it starts with '/'
    };
    for (const LinkCase& c : {LinkCase{"sibling", "real.gwp"}, LinkCase{"sub-folder", "sub/real.gwp"},
                              LinkCase{"absolute", "/real.gwp"}}) {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        ASSERT_EQ(mkdir((dir / "sub").c_str(), 0700), 0);
        const std::string strTarget =
            c.szTarget[0] == '/' ? dir.Path() + c.szTarget : dir / c.szTarget;
        WriteOrFail(strTarget, m_strOld);
        ASSERT_EQ(chmod(strTarget.c_str(), 0640), 0);
        const std::string strLinkText = c.szTarget[0] == '/' ? strTarget : c.szTarget;
        const std::string strLink = dir / "link.gwp";
        ASSERT_EQ(symlink(strLinkText.c_str(), strLink.c_str()), 0);

        m_doc.SetModifiedFlag(true);
        std::string strError;
        ASSERT_TRUE(GwpSaveDocument(m_doc, strLink, &strError)) << strError;
        EXPECT_FALSE(m_doc.IsModified());

        struct stat st {};
        ASSERT_EQ(lstat(strLink.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
        char szLink[4096] = {};
        ASSERT_GT(readlink(strLink.c_str(), szLink, sizeof szLink - 1), 0);
        EXPECT_EQ(std::string(szLink), strLinkText);
        EXPECT_TRUE(ReadOrEmpty(strTarget) == GwpSerialize(m_doc)) << "the target was not written";
        ASSERT_EQ(stat(strTarget.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << "the target's permissions were not kept";
        const std::vector<std::string> vExpected =
            c.szTarget[0] == '/' || std::string(c.szTarget).find('/') == std::string::npos
                ? std::vector<std::string>{"link.gwp", "real.gwp", "sub"}
                : std::vector<std::string>{"link.gwp", "sub"};
        EXPECT_EQ(Entries(dir.Path()), vExpected);
        if (vExpected.size() == 2) {
            EXPECT_EQ(Entries(dir / "sub"), (std::vector<std::string>{"real.gwp"}));
        } else {
            EXPECT_TRUE(Entries(dir / "sub").empty());
        }
    }
}

// The temporary file's name must not grow with the target's: a name at the
// system's limit saves, and nothing else is left in the folder.
TEST_F(GwpSave, NameOfTheLongestLengthCanBeSaved)
{
    TempDir dir;
    const std::string strName = std::string(251, 'n') + ".gwp";
    ASSERT_EQ(strName.size(), 255u);
    std::string strError;
    ASSERT_TRUE(GwpSaveDocument(m_doc, dir / strName, &strError)) << strError;
    EXPECT_TRUE(ReadOrEmpty(dir / strName) == GwpSerialize(m_doc));
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{strName}));
}

// A new file gets what the umask allows; a file saved over keeps its own
// mode, even one the umask would not give.
TEST_F(GwpSave, NewFileFollowsTheUmaskAndAnOldOneKeepsItsMode)
{
    TempDir dir;
    const std::string strNew = dir / "new.gwp";
    const std::string strOld = dir / "old.gwp";
    WriteOrFail(strOld, m_strOld);
    ASSERT_EQ(chmod(strOld.c_str(), 0666), 0);

    const int nChild = RunInChild([&] {
        umask(027);
        std::string strError;
        return GwpSaveDocument(m_doc, strNew, &strError) &&
                       GwpSaveDocument(m_doc, strOld, &strError)
                   ? 0
                   : int(kChildSetupFailed);
    });
    ASSERT_EQ(nChild, 0);
    struct stat st {};
    ASSERT_EQ(stat(strNew.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(stat(strOld.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_TRUE(ReadOrEmpty(strOld) == GwpSerialize(m_doc));
}

// ---------------------------------------------------------------------------
// Saving through a stream

TEST_F(GwpSave, StreamedSaveThatFailsKeepsTheOldFile)
{
    // More than the save's buffer, so part has reached the temporary file.
    const std::string strLarge(300000, 'x');
    const auto writeLarge = [&](std::ostream& os) {
        os.write(strLarge.data(), std::streamsize(strLarge.size()));
    };
    const struct {
        const char* szName;
        std::function<bool(std::ostream&)> write;
    } cases[] = {
        {"the writer gives up",
         [&](std::ostream& os) {
             writeLarge(os);
             return false;
         }},
        {"the writer's stream is in error",
         [&](std::ostream& os) {
             writeLarge(os);
             os.setstate(std::ios::failbit);
             return true;
         }},
        {"the writer throws",
         [&](std::ostream& os) -> bool {
             writeLarge(os);
             throw std::runtime_error("out of cells");
         }},
    };
    for (ESaveWrites writes : {ESaveWrites::OnThisThread, ESaveWrites::Behind}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.szName);
            TempDir dir;
            const std::string strPath = dir / "drawing.gwp";
            WriteOrFail(strPath, m_strOld);
            std::string strError;
            try {
                EXPECT_FALSE(SaveFileSafely(strPath, c.write, &strError, writes));
                EXPECT_FALSE(strError.empty());
            } catch (const std::runtime_error&) {
            }
            ExpectOldFileKept(dir, "drawing.gwp");
        }
    }
}

// Writing behind: every byte arrives in order, through several hand-overs of
// buffers that are reused uncleared, and a write the system refuses half way
// (a file size limit) fails the save like any other.
TEST_F(GwpSave, WritingBehindKeepsOrderAndReportsAFailedWrite)
{
    std::string strBig;
    for (int i = 0; strBig.size() < 3000000; ++i)
        strBig += std::to_string(i) + ',';
    const auto writeBig = [&](std::ostream& os) {
        for (std::size_t n = 0; n < strBig.size(); n += 1000)
            os.write(strBig.data() + n, std::streamsize(std::min<std::size_t>(1000, strBig.size() - n)));
        return true;
    };
    TempDir dir;
    const std::string strPath = dir / "drawing.gwp";
    std::string strError;
    ASSERT_TRUE(SaveFileSafely(strPath, writeBig, &strError, ESaveWrites::Behind)) << strError;
    EXPECT_TRUE(ReadOrEmpty(strPath) == strBig);

    WriteOrFail(strPath, m_strOld);
    const int nChild = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{200000, 200000};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0)
            return int(kChildSetupFailed);
        std::string strWhy;
        if (SaveFileSafely(strPath, writeBig, &strWhy, ESaveWrites::Behind))
            return int(kChildSaved);
        return strWhy == std::strerror(EFBIG) ? int(kChildRefused) : int(kChildNoReason);
    });
    EXPECT_EQ(nChild, kChildRefused) << DescribeChild(nChild);
    ExpectOldFileKept(dir, "drawing.gwp");
}

} // namespace
