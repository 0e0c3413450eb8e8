// Drawings at the limits the file format allows, files refused before they
// are read, and loads that run out of memory.
#include "core/backup_arena.h"
#include "gwp_test_support.h"

#include "core/gwp_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>

namespace {

using namespace gwptest;

int MappingCount()
{
    std::ifstream maps("/proc/self/maps");
    int n = 0;
    for (std::string strLine; std::getline(maps, strLine);)
        ++n;
    return n;
}

void WriteFile(const std::string& strPath, std::string_view data)
{
    std::ofstream os(strPath, std::ios::binary);
    os.write(data.data(), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(os.good());
}

// Reads strPath into doc the way the editor opens a file.
EGwpLoad Open(CArtDoc& doc, const std::string& strPath, std::string* pMessage = nullptr)
{
    CGwpFile file;
    std::string strMessage;
    EXPECT_EQ(file.Open(strPath, &strMessage), EGwpOpen::Ok) << strMessage;
    CLoadedFrames frames;
    const EGwpLoad result = GwpReadFrames(file, &frames, pMessage ? pMessage : &strMessage);
    if (result == EGwpLoad::Ok) {
        EXPECT_TRUE(doc.AdoptFrames(frames));
    }
    return result;
}

TEST(GwpLarge, TheMostFramesLoadEditUndoAndSaveWithoutAMappingEach)
{
    TempDir dir;
    const std::string strFile = HandBuiltFile(GWP_MAX_FRAMES, 1, 1);
    WriteFile(dir / "max.gwp", strFile);
    const int nMapsBefore = MappingCount();
    {
        CArtDoc doc;
        ASSERT_EQ(Open(doc, dir / "max.gwp"), EGwpLoad::Ok);
        // The kernel's default limit is 65,530 mappings: a mapping or two per
        // frame would have failed long before the last one.
        EXPECT_LT(MappingCount() - nMapsBefore, 64);
        ASSERT_EQ(doc.GetFrameCount(), GWP_MAX_FRAMES);
        EXPECT_EQ(doc.GetFrames().rbegin()->first, GWP_MAX_FRAMES - 1);
        EXPECT_EQ(doc.GetCurCells(), doc.GetFrames().rbegin()->second);
        EXPECT_FALSE(doc.CanUndo());
        EXPECT_FALSE(doc.CanAddFrame());

        const auto nId = static_cast<unsigned>(doc.GetCurHistory());
        const CharCell original = doc.GetCurCells()[0];
        ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
        doc.GetCurCells()[0].chChar = '#';
        ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
        ASSERT_TRUE(doc.OnEditUndo());
        EXPECT_EQ(std::memcmp(&doc.GetCurCells()[0], &original, sizeof original), 0);
        EXPECT_FALSE(doc.CanUndo());

        std::string strError;
        ASSERT_TRUE(GwpSaveDocument(doc, dir / "copy.gwp", &strError)) << strError;
        EXPECT_TRUE(ReadOrEmpty(dir / "copy.gwp") == strFile);
    }
    EXPECT_LT(MappingCount() - nMapsBefore, 16);
}

TEST(GwpLarge, PathsThatAreNoDrawingAreRefusedBeforeAnyFrameIsRead)
{
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkdir((dir / "folder.gwp").c_str(), 0700), 0);
    {
        // 2 GB of nothing: refused by its first eight bytes.
        const int fd = open((dir / "sparse.gwp").c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, off_t(2) << 30), 0);
        close(fd);
    }
    // The largest drawing's header over one frame of bytes.
    WriteFile(dir / "short.gwp", Header(GWP_MAX_FRAMES, MAX_COLS, MAX_ROWS) + FrameBlock(0, MAX_COLS, MAX_ROWS));
    WriteFile(dir / "header.gwp", Header(1, 1, 1).substr(0, 15));

    const struct {
        std::string strName;
        EGwpOpen result;
        std::string strMessage;
    } aCases[] = {
        {"pipe", EGwpOpen::WrongType, MSG_WRONG_TYPE_FILE},
        {"folder.gwp", EGwpOpen::WrongType, MSG_WRONG_TYPE_FILE},
        {"sparse.gwp", EGwpOpen::WrongType, MSG_WRONG_TYPE_FILE},
        {"short.gwp", EGwpOpen::Damaged,
         "This file is damaged and cannot be opened (it is shorter than its header says)."},
        {"header.gwp", EGwpOpen::Damaged,
         "This file is damaged and cannot be opened (its header is cut short)."},
        {"missing.gwp", EGwpOpen::Unreadable, "No such file or directory"},
    };
    for (const auto& c : aCases) {
        CGwpFile file;
        std::string strMessage;
        EXPECT_EQ(file.Open(dir / c.strName, &strMessage), c.result) << c.strName;
        EXPECT_EQ(strMessage, c.strMessage) << c.strName;
    }
    CGwpFile file;
    std::string strMessage;
    EXPECT_EQ(file.Open("/dev/zero", &strMessage), EGwpOpen::WrongType);
}

// A refused system call at any point of a load: the message, no frame kept,
// and the drawing already open exactly as it was.
TEST(GwpLarge, ALoadThatRunsOutOfMemoryLeavesTheOpenDrawingAlone)
{
    TempDir dir;
    WriteFile(dir / "many.gwp", HandBuiltFile(12, kCols, kRows, 5));
    CArtDoc doc;
    BuildModified(doc, kRows, kCols, 3);
    const DocState before = DocState::Of(doc);
    for (int nFailAt : {1, 2, 3, 4, 7, 20, 35}) {
        std::string strMessage;
        BackupFailNthSystemCall(nFailAt);
        EXPECT_EQ(Open(doc, dir / "many.gwp", &strMessage), EGwpLoad::NoMemory) << nFailAt;
        BackupFailNthSystemCall(0);
        EXPECT_EQ(strMessage, MSG_NO_MEMORY_OPEN);
        EXPECT_TRUE(DocState::Of(doc) == before) << nFailAt;
        EXPECT_TRUE(doc.CanUndo());
    }
    // Nothing was left half made: the same file loads in full afterwards.
    ASSERT_EQ(Open(doc, dir / "many.gwp"), EGwpLoad::Ok);
    EXPECT_EQ(doc.GetFrameCount(), 12);
    EXPECT_EQ(CellBytes(doc.GetCurCells(), doc), FrameBlock(16, kCols, kRows));
}

TEST(GwpLarge, ANewFrameThatFindsNoMemoryChangesNothing)
{
    CArtDoc doc;
    BuildModified(doc, kRows, kCols, 2);
    const DocState before = DocState::Of(doc);
    BackupFailNthSystemCall(1);
    EXPECT_THROW(doc.NewFrame(), CBackupError);
    BackupFailNthSystemCall(0);
    EXPECT_TRUE(DocState::Of(doc) == before);
    EXPECT_NE(doc.NewFrame(), nullptr);
}

TEST(GwpLarge, CancellingALoadKeepsNothing)
{
    TempDir dir;
    // Large enough frames that progress is reported more than once.
    WriteFile(dir / "big.gwp", HandBuiltFile(60, MAX_COLS, MAX_ROWS));
    CArtDoc doc;
    BuildModified(doc, kRows, kCols, 1);
    const DocState before = DocState::Of(doc);
    CGwpFile file;
    ASSERT_EQ(file.Open(dir / "big.gwp", nullptr), EGwpOpen::Ok);
    CLoadedFrames frames;
    std::vector<int> vReports;
    const EGwpLoad result = GwpReadFrames(file, &frames, nullptr, [&](int nDone, int nTotal) {
        EXPECT_EQ(nTotal, 60);
        vReports.push_back(nDone);
        return vReports.size() < 2;
    });
    EXPECT_EQ(result, EGwpLoad::Cancelled);
    EXPECT_TRUE(frames.vFrames.empty());
    ASSERT_EQ(vReports.size(), 2u);
    EXPECT_LT(vReports[0], vReports[1]);
    EXPECT_TRUE(DocState::Of(doc) == before);
}

// A file cut short after it was checked: the frames read so far go, and the
// reason is the read's.
TEST(GwpLarge, AFileThatShrinksWhileItIsReadIsAReadError)
{
    TempDir dir;
    for (bool bBuffered : {true, false}) {
        // Small frames are read through a buffer, large ones straight in.
        const int nCols = bBuffered ? kCols : MAX_COLS, nRows = bBuffered ? kRows : MAX_ROWS;
        WriteFile(dir / "shrinks.gwp", HandBuiltFile(3, nCols, nRows));
        CGwpFile file;
        ASSERT_EQ(file.Open(dir / "shrinks.gwp", nullptr), EGwpOpen::Ok);
        ASSERT_EQ(truncate((dir / "shrinks.gwp").c_str(), off_t(GWP_HEADER_SIZE) + 100), 0);
        CLoadedFrames frames;
        std::string strMessage;
        EXPECT_EQ(GwpReadFrames(file, &frames, &strMessage), EGwpLoad::ReadError);
        EXPECT_EQ(strMessage, "The file could not be read (the file ended early).");
        EXPECT_TRUE(frames.vFrames.empty());
    }
}

} // namespace
