// Helpers shared by the tests of the ".gwp" document file: files built by
// hand, drawings prepared as a view prepares them, a record of everything a
// refused file must leave as it was, and fresh folders under /tmp.
#pragma once

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"
#include "core/safe_file.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace gwptest {

// ---------------------------------------------------------------------------
// Files built by hand

inline void PutInt(std::string& str, std::size_t nOffset, int32_t nValue)
{
    const auto n = static_cast<uint32_t>(nValue);
    for (std::size_t i = 0; i < 4; ++i)
        str[nOffset + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
}

inline int32_t GetInt(std::string_view str, std::size_t nOffset)
{
    uint32_t n = 0;
    for (std::size_t i = 4; i-- > 0;)
        n = (n << 8) | static_cast<uint8_t>(str[nOffset + i]);
    return static_cast<int32_t>(n);
}

inline std::string Header(int32_t nFrames, int32_t nCols, int32_t nRows)
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
inline CharCell PatternCell(int nFrame, int nRow, int nCol)
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

inline std::string FrameBlock(int nFrame, int nCols, int nRows)
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

inline std::string HandBuiltFile(int nFrames, int nCols, int nRows, int nFirstPattern = 0)
{
    std::string str = Header(nFrames, nCols, nRows);
    for (int n = 0; n < nFrames; ++n)
        str += FrameBlock(nFirstPattern + n, nCols, nRows);
    return str;
}

inline std::string_view CellBytes(const CharCell* pCells, const CArtDoc& doc)
{
    return {reinterpret_cast<const char*>(pCells), std::size_t(doc.GetCellCount()) * sizeof(CharCell)};
}

inline std::vector<int> Keys(const CArtDoc& doc)
{
    std::vector<int> v;
    for (const auto& [nKey, pCells] : doc.GetFrames())
        v.push_back(nKey);
    return v;
}

// What the main frame does with a file: check it, and load it only when it
// is sound.
inline EGwpResult OpenInto(CArtDoc& doc, std::string_view data, std::string* pMessage)
{
    CGwpImage image;
    const EGwpResult result = GwpParse(data, &image, pMessage);
    if (result == EGwpResult::Ok)
        GwpLoad(doc, image);
    return result;
}

// Fills the current frame with the pattern of frame nPattern in a step that is
// committed and sealed, as a view prepares a frame.
inline void FillSealed(CArtDoc& doc, int nPattern)
{
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    for (int r = 0; r < doc.GetRows(); ++r)
        for (int c = 0; c < doc.GetCols(); ++c)
            doc.GetCurCells()[r * doc.GetCols() + c] = PatternCell(nPattern, r, c);
    ASSERT_EQ(BackupCommit(nId), BACKUP_OK);
    ASSERT_EQ(BackupSeal(nId), BACKUP_OK);
}

// A drawing of nFrames frames (patterns 0 ..), its first cell then changed in
// an undoable step, so the drawing is modified.
inline void BuildModified(CArtDoc& doc, int nRows, int nCols, int nFrames)
{
    doc.SetCanvasSize(nRows, nCols);
    ASSERT_TRUE(doc.OnNewDocument());
    for (int n = 0; n < nFrames; ++n) {
        if (n > 0) {
            ASSERT_NE(doc.NewFrame(), nullptr);
        }
        FillSealed(doc, n);
        doc.RegisterFrame();
    }
    const auto nId = static_cast<unsigned>(doc.GetCurHistory());
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    doc.GetCurCells()[0].chChar = '#';
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
        s.nRows = doc.GetRows();
        s.nCols = doc.GetCols();
        s.vKeys = Keys(doc);
        s.nNextKey = doc.GetNextFrameKey();
        s.nCurHistory = doc.GetCurHistory();
        s.pCur = doc.GetCurCells();
        s.bModified = doc.IsModified();
        s.bCanUndo = doc.CanUndo();
        for (const auto& [nKey, pCells] : doc.GetFrames())
            s.strBytes += CellBytes(pCells, doc);
        return s;
    }
    bool operator==(const DocState&) const = default;
};

// ---------------------------------------------------------------------------
// Folders and files

inline std::string ReadOrEmpty(const std::string& strPath)
{
    std::string str, strError;
    if (!ReadWholeFile(strPath, &str, &strError))
        return "<unreadable: " + strError + ">";
    return str;
}

inline std::vector<std::string> Entries(const std::string& strDir)
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

// The size of drawing most of the tests use.
inline constexpr int kCols = 60;
inline constexpr int kRows = 40;
inline constexpr std::size_t kFrameBytes = std::size_t(kCols) * kRows * 16;
static_assert(kFrameBytes == 38400);

} // namespace gwptest
