// The ".gwp" document file: reading a file written by hand, writing it back
// byte for byte, refusing wrong and damaged files before anything is touched,
// and saving without ever harming the previous file.
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_file.h"
#include "core/safe_file.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uid_t kNobody = 65534;

// ---------------------------------------------------------------------------
// Files built by hand

void PutInt(std::string& str, std::size_t nOffset, int32_t nValue)
{
    const auto n = static_cast<uint32_t>(nValue);
    for (std::size_t i = 0; i < 4; ++i)
        str[nOffset + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
}

int32_t GetInt(std::string_view str, std::size_t nOffset)
{
    uint32_t n = 0;
    for (std::size_t i = 4; i-- > 0;)
        n = (n << 8) | static_cast<uint8_t>(str[nOffset + i]);
    return static_cast<int32_t>(n);
}

std::string Header(int32_t nFrames, int32_t nCols, int32_t nRows)
{
    std::string str(GWP_HEADER_SIZE, '\0');
    std::memcpy(str.data(), "GWHEADER", 8);
    PutInt(str, 8, nFrames);
    PutInt(str, 12, nCols);
    PutInt(str, 16, nRows);
    return str;
}

// One cell of frame nFrame whose every field, the position fields and spare
// bytes included, differs from cell to cell and from frame to frame, and is
// never zero in the spare bytes.
CharCell PatternCell(int nFrame, int nRow, int nCol)
{
    CharCell cell{};
    cell.crColor = 0x00010203u + uint32_t(nFrame) * 0x00100000u + uint32_t(nRow) * 0x0100u +
                   uint32_t(nCol);
    cell.nX = nCol * 7 + 3 - nFrame;    // not the multiple of any cell width
    cell.nY = -(nRow * 13 + 1) - nFrame; // negative: no view would store that
    cell.chChar = static_cast<uint8_t>(33 + (nFrame * 31 + nRow * 7 + nCol) % 222);
    cell.reserved[0] = static_cast<uint8_t>(0xA5 ^ nFrame);
    cell.reserved[1] = static_cast<uint8_t>(0x5A + nRow);
    cell.reserved[2] = static_cast<uint8_t>(0xFF - nCol);
    return cell;
}

std::string FrameBlock(int nFrame, int nCols, int nRows)
{
    std::string str;
    str.reserve(std::size_t(nRows) * nCols * sizeof(CharCell));
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) {
            const CharCell cell = PatternCell(nFrame, r, c);
            str.append(reinterpret_cast<const char*>(&cell), sizeof cell);
        }
    return str;
}

std::string HandBuiltFile(int nFrames, int nCols, int nRows, int nFirstPattern = 0)
{
    std::string str = Header(nFrames, nCols, nRows);
    for (int n = 0; n < nFrames; ++n)
        str += FrameBlock(nFirstPattern + n, nCols, nRows);
    return str;
}

std::string_view CellBytes(const CharCell* pCells, const CArtDoc& doc)
{
    return {reinterpret_cast<const char*>(pCells), std::size_t(doc.GetCellCount()) * sizeof(CharCell)};
}

std::vector<int> Keys(const CArtDoc& doc)
{
    std::vector<int> v;
    for (const auto& [nKey, pCells] : doc.m_mapFrames)
        v.push_back(nKey);
    return v;
}

// What the main frame does with a file: check it, and load it only when it
// is sound.
EGwpResult OpenInto(CArtDoc& doc, std::string_view data, std::string* pMessage)
{
    CGwpImage image;
    const EGwpResult result = GwpParse(data, &image, pMessage);
    if (result == EGwpResult::Ok)
        GwpLoad(doc, image);
    return result;
}

// Fills the current frame with the pattern of frame nPattern in a step that is
// committed and sealed, as a view prepares a frame.
void FillSealed(CArtDoc& doc, int nPattern)
{
    const auto nId = static_cast<unsigned>(doc.m_nCurHistory);
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    for (int r = 0; r < doc.m_nRows; ++r)
        for (int c = 0; c < doc.m_nCols; ++c)
            doc.m_pCurCells[r * doc.m_nCols + c] = PatternCell(nPattern, r, c);
    ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
    ASSERT_EQ(BackupSeal(nId), BACKUP_OK);
}

// A drawing of nFrames frames (patterns 0 ..), its first cell then changed in
// an undoable step, so the drawing is modified.
void BuildModified(CArtDoc& doc, int nRows, int nCols, int nFrames)
{
    doc.m_nRows = nRows;
    doc.m_nCols = nCols;
    ASSERT_TRUE(doc.OnNewDocument());
    for (int n = 0; n < nFrames; ++n) {
        if (n > 0) {
            ASSERT_NE(doc.NewFrame(), nullptr);
        }
        FillSealed(doc, n);
        doc.RegisterFrame();
    }
    const auto nId = static_cast<unsigned>(doc.m_nCurHistory);
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    doc.m_pCurCells[0].chChar = '#';
    ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
    doc.SetModifiedFlag(true);
}

// Everything a refused file must leave as it was.
struct DocState {
    int nRows = 0;
    int nCols = 0;
    std::vector<int> vKeys;
    int nNextKey = 0;
    int nCurHistory = 0;
    const CharCell* pCur = nullptr;
    bool bModified = false;
    bool bCanUndo = false;
    std::string strBytes; // every frame, in key order

    static DocState Of(const CArtDoc& doc)
    {
        DocState s;
        s.nRows = doc.m_nRows;
        s.nCols = doc.m_nCols;
        s.vKeys = Keys(doc);
        s.nNextKey = doc.m_nNextFrameKey;
        s.nCurHistory = doc.m_nCurHistory;
        s.pCur = doc.m_pCurCells;
        s.bModified = doc.IsModified();
        s.bCanUndo = doc.CanUndo();
        for (const auto& [nKey, pCells] : doc.m_mapFrames)
            s.strBytes += CellBytes(pCells, doc);
        return s;
    }
    bool operator==(const DocState&) const = default;
};

// ---------------------------------------------------------------------------
// Folders and files

std::string ReadOrEmpty(const std::string& strPath)
{
    std::string str, strError;
    if (!ReadWholeFile(strPath, &str, &strError))
        return "<unreadable: " + strError + ">";
    return str;
}

void WriteOrFail(const std::string& strPath, std::string_view data)
{
    FILE* f = std::fopen(strPath.c_str(), "wb");
    ASSERT_NE(f, nullptr) << strPath << ": " << std::strerror(errno);
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), f), data.size());
    ASSERT_EQ(std::fclose(f), 0);
}

std::vector<std::string> Entries(const std::string& strDir)
{
    std::vector<std::string> v;
    if (DIR* d = opendir(strDir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string strName = e->d_name;
            if (strName != "." && strName != "..")
                v.push_back(strName);
        }
        closedir(d);
    }
    std::sort(v.begin(), v.end());
    return v;
}

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        char sz[] = "/tmp/gw_gwp_test.XXXXXX";
        if (mkdtemp(sz))
            m_strPath = sz;
        else
            ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    }
    ~TempDir()
    {
        if (!m_strPath.empty())
            Remove(m_strPath);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string operator/(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    static void Remove(const std::string& strPath)
    {
        struct stat st {};
        if (lstat(strPath.c_str(), &st) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            chmod(strPath.c_str(), 0700);
            for (const std::string& strName : Entries(strPath))
                Remove(strPath + "/" + strName);
            rmdir(strPath.c_str());
        } else {
            unlink(strPath.c_str());
        }
    }

    std::string m_strPath;
};

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
    if (doc.OnSaveDocument(strPath, &strError))
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

constexpr int kCols = 60;
constexpr int kRows = 40;
constexpr std::size_t kFrameBytes = std::size_t(kCols) * kRows * 16;
static_assert(kFrameBytes == 38400);

TEST(GwpRead, HandBuiltTwoFrameFileOpensWithBothFrames)
{
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    ASSERT_EQ(strFile.size(), 20 + 2 * kFrameBytes);

    // Load over a drawing of another size with more frames and some history,
    // so every part of the old drawing has to be replaced.
    CArtDoc doc;
    BuildModified(doc, 80, 128, 3);
    std::string strMessage;
    ASSERT_EQ(OpenInto(doc, strFile, &strMessage), EGwpResult::Ok) << strMessage;

    EXPECT_EQ(doc.m_nRows, 40);
    EXPECT_EQ(doc.m_nCols, 60);
    EXPECT_EQ(doc.GetFrameCount(), 2);
    EXPECT_EQ(Keys(doc), (std::vector<int>{0, 1}));
    EXPECT_EQ(doc.m_mapHistories.size(), 2u);
    EXPECT_EQ(doc.m_nNextFrameKey, 2) << "the next frame added must get key 2";
    EXPECT_EQ(doc.m_pCurCells, doc.m_mapFrames[1]) << "the last frame read is current";
    EXPECT_EQ(doc.m_nCurHistory, doc.m_mapHistories[1]);
    EXPECT_NE(doc.m_mapHistories[0], doc.m_mapHistories[1]);
    EXPECT_FALSE(doc.IsModified());

    for (int nKey : {0, 1}) {
        SCOPED_TRACE("frame " + std::to_string(nKey));
        doc.SelectFrame(nKey);
        EXPECT_TRUE(CellBytes(doc.m_pCurCells, doc) ==
                    std::string_view(strFile).substr(20 + nKey * kFrameBytes, kFrameBytes));
        EXPECT_FALSE(doc.CanUndo()) << "the loaded content is sealed";
        EXPECT_FALSE(doc.CanRedo());
        EXPECT_FALSE(doc.OnEditUndo());
        EXPECT_TRUE(CellBytes(doc.m_pCurCells, doc) ==
                    std::string_view(strFile).substr(20 + nKey * kFrameBytes, kFrameBytes));
    }
}

TEST(GwpRead, SavingRightAfterReadingWritesTheSameBytes)
{
    TempDir dir;
    const std::string strPath = dir / "drawing.gwp";
    // Trailing bytes after the last frame are not part of the drawing.
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    CArtDoc doc;
    ASSERT_EQ(OpenInto(doc, strFile + "trailing junk", nullptr), EGwpResult::Ok);

    std::string strError;
    ASSERT_TRUE(doc.OnSaveDocument(strPath, &strError)) << strError;
    const std::string strSaved = ReadOrEmpty(strPath);
    ASSERT_EQ(strSaved.size(), strFile.size());
    EXPECT_TRUE(strSaved == strFile) << "the saved file differs from the file read";
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"drawing.gwp"}));
}

TEST(GwpWrite, OneDefaultFrameTakes38420Bytes)
{
    TempDir dir;
    const std::string strPath = dir / "one.gwp";
    CArtDoc doc;
    BuildModified(doc, kRows, kCols, 1);
    ASSERT_TRUE(doc.IsModified());
    std::string strError;
    ASSERT_TRUE(doc.OnSaveDocument(strPath, &strError)) << strError;
    EXPECT_FALSE(doc.IsModified());

    const std::string strSaved = ReadOrEmpty(strPath);
    ASSERT_EQ(strSaved.size(), 38420u);
    EXPECT_EQ(strSaved.substr(0, 8), "GWHEADER");
    EXPECT_EQ(GetInt(strSaved, 8), 1);
    EXPECT_EQ(GetInt(strSaved, 12), 60) << "columns come before rows";
    EXPECT_EQ(GetInt(strSaved, 16), 40);
    EXPECT_TRUE(std::string_view(strSaved).substr(20) == CellBytes(doc.m_pCurCells, doc));
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
        vBlocks.emplace_back(CellBytes(doc.m_mapFrames[nKey], doc));
    for (std::size_t n = 0; n < 3; ++n)
        EXPECT_TRUE(std::string_view(strFile).substr(20 + n * nBlock, nBlock) == vBlocks[n])
            << "block " << n;

    ASSERT_EQ(OpenInto(doc, strFile, nullptr), EGwpResult::Ok);
    EXPECT_EQ(Keys(doc), (std::vector<int>{0, 1, 2}));
    for (int nKey : {0, 1, 2})
        EXPECT_TRUE(CellBytes(doc.m_mapFrames[nKey], doc) == vBlocks[std::size_t(nKey)])
            << "key " << nKey;
    EXPECT_EQ(doc.m_pCurCells, doc.m_mapFrames[2]);
}

TEST(GwpRead, AnyOneByteChangeInTheMagicIsTheWrongType)
{
    const std::string strGood = HandBuiltFile(1, 4, 3);
    CArtDoc doc;
    ASSERT_EQ(OpenInto(doc, HandBuiltFile(2, 2, 2, 7), nullptr), EGwpResult::Ok);
    const DocState before = DocState::Of(doc);

    for (std::size_t i = 0; i < 8; ++i) {
        // Flips of the lowest and highest bit, a change of case, a zero byte
        // (which would end the magic early as a C string) and a neighbour.
        for (uint8_t nXor : {0x01, 0x80, 0x20, 0xFF}) {
            std::string strFile = strGood;
            strFile[i] = static_cast<char>(strFile[i] ^ nXor);
            for (char chInstead : {strFile[i], '\0'}) {
                strFile[i] = chInstead;
                SCOPED_TRACE("byte " + std::to_string(i) + " = " + std::to_string(uint8_t(chInstead)));
                CGwpImage image;
                std::string strMessage;
                EXPECT_EQ(OpenInto(doc, strFile, &strMessage), EGwpResult::WrongType);
                EXPECT_EQ(strMessage, "Wrong type file!");
                EXPECT_EQ(GwpParse(strFile, &image, nullptr), EGwpResult::WrongType)
                    << "the message is optional";
            }
        }
    }
    EXPECT_TRUE(DocState::Of(doc) == before) << "a wrong file changed the drawing";
}

// ---------------------------------------------------------------------------
// Damaged files: refused before anything is touched.

class GwpDamaged : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenInto(m_doc, HandBuiltFile(2, 3, 2, 9), nullptr), EGwpResult::Ok);
        FillSealed(m_doc, 11); // the drawing differs from any file read here
        m_before = DocState::Of(m_doc);
    }

    // Checks that data is refused as expected, that the image handed in is
    // left alone and that the drawing is untouched.
    void ExpectRefused(std::string_view data, EGwpResult expected)
    {
        CGwpImage image;
        image.nFrames = -7;
        image.nCols = -8;
        image.nRows = -9;
        std::string strMessage;
        const EGwpResult result = GwpParse(data, &image, &strMessage);
        EXPECT_EQ(result, expected);
        EXPECT_EQ(image.nFrames, -7);
        EXPECT_EQ(image.nCols, -8);
        EXPECT_EQ(image.nRows, -9);
        EXPECT_EQ(image.frames.data(), nullptr);
        if (expected == EGwpResult::WrongType) {
            EXPECT_EQ(strMessage, "Wrong type file!");
        } else {
            EXPECT_TRUE(!strMessage.empty() && strMessage != "Wrong type file!") << strMessage;
        }

        EXPECT_EQ(OpenInto(m_doc, data, nullptr), expected);
        EXPECT_TRUE(DocState::Of(m_doc) == m_before) << "a refused file changed the drawing";
    }

    CArtDoc m_doc;
    DocState m_before;
};

TEST_F(GwpDamaged, EveryTruncationIsRefusedAndTheFullFileAccepted)
{
    const std::string strFile = HandBuiltFile(2, kCols, kRows);
    for (std::size_t n = 0; n < strFile.size(); ++n) {
        const EGwpResult expected = n < 8 ? EGwpResult::WrongType : EGwpResult::Damaged;
        CGwpImage image;
        std::string strMessage;
        const EGwpResult result = GwpParse(std::string_view(strFile).substr(0, n), &image, &strMessage);
        if (result != expected) {
            ADD_FAILURE() << "cut to " << n << " bytes: result " << int(result) << ", expected "
                          << int(expected);
            break;
        }
        if (strMessage.empty()) {
            ADD_FAILURE() << "cut to " << n << " bytes: no message";
            break;
        }
    }
    // The drawing check is the same for every length: run it on the borders
    // and on lengths inside the header, the first frame and the last cell.
    for (std::size_t n : {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{19},
                          std::size_t{20}, std::size_t{21}, 20 + kFrameBytes,
                          strFile.size() - 16, strFile.size() - 1}) {
        SCOPED_TRACE("cut to " + std::to_string(n) + " bytes");
        ExpectRefused(std::string_view(strFile).substr(0, n),
                      n < 8 ? EGwpResult::WrongType : EGwpResult::Damaged);
    }

    for (std::size_t nExtra : {0, 1, 16, 100000}) {
        SCOPED_TRACE(std::to_string(nExtra) + " bytes beyond the last frame");
        const std::string strLonger = strFile + std::string(nExtra, '\x7F');
        CGwpImage image;
        ASSERT_EQ(GwpParse(strLonger, &image, nullptr), EGwpResult::Ok);
        EXPECT_EQ(image.nFrames, 2);
        EXPECT_EQ(image.nCols, kCols);
        EXPECT_EQ(image.nRows, kRows);
        EXPECT_EQ(image.frames.data(), strLonger.data() + 20);
        EXPECT_EQ(image.frames.size(), 2 * kFrameBytes);
    }
}

struct HeaderCase {
    const char* szName;
    int32_t nFrames;
    int32_t nCols;
    int32_t nRows;
    // Bytes of frame data present; -1 for all the header asks for.
    int64_t nDataBytes;
    bool bAccepted;
};

TEST_F(GwpDamaged, HeaderValuesOutsideTheirRangesAreRefused)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const HeaderCase cases[] = {
        {"no frames", 0, 4, 3, 0, false},
        {"-1 frames", -1, 4, 3, 4 * 3 * 16, false},
        {"INT_MIN frames", kMin, 4, 3, 4 * 3 * 16, false},
        {"2^31-1 frames", kMax, 4, 3, 4 * 3 * 16, false},
        {"65,537 frames", 65537, 1, 1, 65537 * 16, false},
        {"65,536 frames of 1 x 1, all there", 65536, 1, 1, -1, true},
        {"65,536 frames of 1 x 1, one byte short", 65536, 1, 1, 65536 * 16 - 1, false},
        {"65,536 frames of 80 x 128, one frame there", 65536, 128, 80, 128 * 80 * 16, false},
        {"no rows", 1, 4, 0, 0, false},
        {"81 rows", 1, 4, 81, 4 * 81 * 16, false},
        {"-1 rows", 1, 4, -1, 64, false},
        {"INT_MIN rows", 1, 4, kMin, 64, false},
        {"no columns", 1, 0, 3, 0, false},
        {"129 columns", 1, 129, 3, 129 * 3 * 16, false},
        {"-1 columns", 1, -1, 3, 64, false},
        {"INT_MAX columns", 1, kMax, 3, 64, false},
        // Negative rows and columns whose product is positive.
        {"-4 columns by -3 rows", 1, -4, -3, 4 * 3 * 16, false},
        {"1 x 1", 1, 1, 1, -1, true},
        {"80 x 128", 1, 128, 80, -1, true},
        {"80 x 128, one byte short", 1, 128, 80, 128 * 80 * 16 - 1, false},
        {"3 frames of 80 x 1", 3, 1, 80, -1, true},
        {"3 frames of 1 x 128", 3, 128, 1, -1, true},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.szName);
        std::string strFile = Header(c.nFrames, c.nCols, c.nRows);
        const int64_t nWanted = int64_t(c.nFrames) * c.nCols * c.nRows * 16;
        const int64_t nData = c.nDataBytes < 0 ? nWanted : c.nDataBytes;
        ASSERT_LT(nData, int64_t{4} << 20) << "a case would need gigabytes";
        strFile.resize(20 + std::size_t(nData), '\x41');
        if (!c.bAccepted) {
            ExpectRefused(strFile, EGwpResult::Damaged);
            continue;
        }
        CGwpImage image;
        ASSERT_EQ(GwpParse(strFile, &image, nullptr), EGwpResult::Ok);
        EXPECT_EQ(image.nFrames, c.nFrames);
        EXPECT_EQ(image.nCols, c.nCols);
        EXPECT_EQ(image.nRows, c.nRows);
        EXPECT_EQ(image.frames.size(), std::size_t(nWanted));
    }
}

TEST_F(GwpDamaged, LargestCanvasLoads)
{
    // The accepted borders also load: a drawing of the largest canvas, with
    // its cells where the file put them.
    const std::string strFile = HandBuiltFile(2, 128, 80);
    ASSERT_EQ(OpenInto(m_doc, strFile, nullptr), EGwpResult::Ok);
    EXPECT_EQ(m_doc.m_nRows, 80);
    EXPECT_EQ(m_doc.m_nCols, 128);
    EXPECT_EQ(m_doc.GetFrameCount(), 2);
    EXPECT_TRUE(GwpSerialize(m_doc) == strFile);
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
    EXPECT_FALSE(m_doc.OnSaveDocument(strPath, &strError));
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
        ASSERT_TRUE(m_doc.OnSaveDocument(strLink, &strError)) << strError;
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

} // namespace
