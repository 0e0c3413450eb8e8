#include "core/recovery_store.h"

#include "core/gwp_format.h"
#include "core/recovery_desc.h"
#include "core/recovery_folder.h"
#include "core/recovery_store_file.h"
#include "core/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kPrefix = "session-";
constexpr off_t kMaxDescBytes = 64 * 1024; // a description is a few hundred bytes
constexpr std::size_t kCheckBufferBytes = 64 * 1024;
// A leftover must not have changed for this long: a writer between creating
// a file and locking it, or between closing and renaming it, holds no lock.
constexpr time_t kLeftoverSecs = 600;

std::string SystemReason(const char* pszWhat)
{
    return std::string(pszWhat) + ": " + std::strerror(errno);
}

bool Fail(std::string* pError, const std::string& strWhy)
{
    if (pError)
        *pError = strWhy;
    return false;
}

bool RemoveFile(const std::string& strPath)
{
    return unlink(strPath.c_str()) == 0 || errno == ENOENT;
}

// Ids are made of digits and dashes only: anything else in the folder is no
// session's, and no name read from it can point outside the folder.
bool ValidId(std::string_view strId)
{
    return !strId.empty() && strId.find_first_not_of("0123456789-") == std::string_view::npos;
}

// Every session's files in the folder, by id.
std::map<std::string, std::vector<std::string>> SessionFiles(const std::string& strFolder)
{
    std::map<std::string, std::vector<std::string>> map;
    DIR* d = opendir(strFolder.c_str());
    if (!d)
        return map;
    while (const dirent* e = readdir(d)) {
        const std::string_view strName = e->d_name;
        if (strName.substr(0, std::strlen(kPrefix)) != kPrefix)
            continue;
        const std::string_view strRest = strName.substr(std::strlen(kPrefix));
        const std::string_view strId = strRest.substr(0, strRest.find('.'));
        if (ValidId(strId) && strId.size() < strRest.size())
            map[std::string(strId)].emplace_back(strName);
    }
    closedir(d);
    return map;
}

// Removes every file of a session but its lock; the description first, so a
// removal cut short leaves a copy that is seen as damaged, never as sound.
bool RemoveSessionCopy(const std::string& strFolder, const std::string& strId)
{
    const std::string strBase = strFolder + "/" + kPrefix + strId;
    bool bOk = RemoveFile(strBase + ".desc");
    const auto map = SessionFiles(strFolder);
    if (const auto it = map.find(strId); it != map.end())
        for (const std::string& strName : it->second)
            if (strName != std::string(kPrefix) + strId + ".lock")
                bOk = RemoveFile(strFolder + "/" + strName) && bOk;
    return bOk;
}

// Whether the file is, byte for byte, the copy the description describes.
// Streamed through one small buffer: a copy may be gigabytes, and checking
// it must not need its size in memory.
bool CopyMatches(const std::string& strPath, const CDesc& desc)
{
    if (desc.nFrames < 1 || desc.nFrames > GWP_MAX_FRAMES || desc.nRows < 1 ||
        desc.nRows > MAX_ROWS || desc.nCols < 1 || desc.nCols > MAX_COLS ||
        desc.nSize != GWP_HEADER_SIZE + uint64_t(desc.nFrames) * uint64_t(desc.nRows) *
                                            uint64_t(desc.nCols) * sizeof(CharCell))
        return false;
    struct stat st {};
    const int fd = OpenRegular(strPath, &st);
    // The size first: a stray large file is not read.
    if (fd < 0 || uint64_t(st.st_size) != desc.nSize) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::string strHeader = CopyHeader(desc.nFrames, desc.nCols, desc.nRows);
    std::vector<char> vBuffer(kCheckBufferBytes);
    CCopyHash hash;
    uint64_t nRead = 0;
    bool bOk = true;
    while (bOk) {
        const ssize_t n = read(fd, vBuffer.data(), vBuffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            bOk = n == 0;
            break;
        }
        for (std::size_t i = 0; nRead + i < strHeader.size() && i < std::size_t(n); ++i)
            bOk = bOk && vBuffer[i] == strHeader[nRead + i];
        hash.Add(vBuffer.data(), std::size_t(n));
        nRead += uint64_t(n);
        bOk = bOk && nRead <= desc.nSize;
    }
    close(fd);
    return bOk && nRead == desc.nSize && hash.Value() == desc.nHash;
}

int64_t ModifiedTime(const std::string& strPath)
{
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : 0;
}

// Fills in what the session's description and copy say, and whether they agree.
void Examine(CRecoveryEntry* pEntry, const std::vector<std::string>& vNames)
{
    const std::string strBase = std::string(kPrefix) + pEntry->strSession + ".";
    pEntry->strDescPath = pEntry->strFolder + "/" + strBase + "desc";
    CDesc desc;
    std::string strText;
    const bool bDesc =
        ReadSmallFile(pEntry->strDescPath, kMaxDescBytes, &strText) && ParseDesc(strText, &desc);
    // The description may only name a copy of its own session.
    const std::string_view strGen =
        std::string_view(desc.strCopy).substr(std::min(strBase.size(), desc.strCopy.size()));
    const bool bOwnCopy = desc.strCopy.starts_with(strBase) && strGen.ends_with(".gwp") &&
                          strGen.size() > 4 &&
                          strGen.find_first_not_of("0123456789") == strGen.size() - 4;
    if (bDesc && bOwnCopy) {
        pEntry->strCopyPath = pEntry->strFolder + "/" + desc.strCopy;
        pEntry->strOriginalPath = desc.strPath;
        pEntry->nTime = desc.nTime;
        pEntry->nFrames = desc.nFrames;
        pEntry->crBack = desc.crBack;
        pEntry->bDamaged = !CopyMatches(pEntry->strCopyPath, desc);
        return;
    }
    pEntry->bDamaged = true;
    for (const std::string& strName : vNames)
        if (strName.ends_with(".gwp"))
            pEntry->strCopyPath = pEntry->strFolder + "/" + strName;
    pEntry->nTime = std::max(ModifiedTime(pEntry->strDescPath), ModifiedTime(pEntry->strCopyPath));
}

} // namespace

int CRecoverySnapshot::FrameCount() const
{
    if (frames)
        return static_cast<int>(std::min(frames->FrameCount(), std::size_t(GWP_MAX_FRAMES) + 1));
    const std::size_t nCells =
        std::size_t(nRows > 0 ? nRows : 0) * std::size_t(nCols > 0 ? nCols : 0);
    if (nCells == 0)
        return 0;
    return static_cast<int>(std::min(cells.size() / nCells, std::size_t(GWP_MAX_FRAMES) + 1));
}

CRecoverySnapshot TakeRecoverySnapshot(const CArtDoc& doc, const std::string& strPath,
                                       const FramePatch& fnPatch)
{
    CRecoverySnapshot snap;
    snap.nRows = doc.GetRows();
    snap.nCols = doc.GetCols();
    snap.strOriginalPath = strPath;
    snap.nTime = static_cast<int64_t>(std::time(nullptr));
    snap.frames = CFrameSnapshot::Take(doc, fnPatch);
    return snap;
}

CRecoveryStore::CRecoveryStore(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

CRecoveryStore::~CRecoveryStore()
{
    if (m_fdLock >= 0)
        close(m_fdLock);
}

std::string CRecoveryStore::PathOf(const std::string& strSuffix) const
{
    return m_strFolder + "/" + m_strSession + strSuffix;
}

bool CRecoveryStore::Open(std::string* pError)
{
    std::lock_guard lock(m_mutex);
    if (m_fdLock >= 0)
        return true;
    if (!MakeRecoveryFolder(m_strFolder, pError))
        return false;
    // An id whose files are still there belongs to a crashed program that
    // had this process id: its copy waits to be offered, so take another.
    const auto mapTaken = SessionFiles(m_strFolder);
    const std::string strPid = std::to_string(getpid());
    for (int n = 0; n < 1000; ++n) {
        const std::string strId = n == 0 ? strPid : strPid + "-" + std::to_string(n);
        if (mapTaken.count(strId))
            continue;
        const std::string strLock = m_strFolder + "/" + kPrefix + strId + ".lock";
        const int fd = open(strLock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return Fail(pError, SystemReason(strLock.c_str()));
        // flock, not fcntl: a lock of the open file itself, which closing
        // another descriptor of the same file (a probe) does not release.
        const std::string strText = strPid + "\n";
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
            write(fd, strText.data(), strText.size()) != static_cast<ssize_t>(strText.size())) {
            const std::string strWhy = SystemReason(strLock.c_str());
            unlink(strLock.c_str());
            close(fd);
            return Fail(pError, strWhy);
        }
        m_fdLock = fd;
        m_strSession = kPrefix + strId;
        m_nGeneration = 0;
        return true;
    }
    return Fail(pError, "no free session name in " + m_strFolder);
}

bool CRecoveryStore::WriteCopy(const CRecoverySnapshot& snap, std::string* pError,
                               const std::atomic<bool>* pCancel,
                               const std::function<void(int)>& fnBeforeFrame)
{
    std::lock_guard lock(m_mutex);
    if (m_fdLock < 0)
        return Fail(pError, "the recovery folder is not open");
    // Refused rather than written as a file that no one could open.
    const int nFrames = snap.FrameCount();
    if (snap.nRows < 1 || snap.nRows > MAX_ROWS || snap.nCols < 1 || snap.nCols > MAX_COLS ||
        nFrames < 1 || nFrames > GWP_MAX_FRAMES ||
        (snap.frames ? snap.frames->CellsPerFrame() != std::size_t(snap.nRows * snap.nCols)
                     : snap.cells.size() != std::size_t(nFrames) * std::size_t(snap.nRows * snap.nCols)))
        return Fail(pError, "the snapshot is not a drawing");

    CDesc desc{snap.strOriginalPath, snap.nTime, nFrames, snap.nRows, snap.nCols, {}, 0, 0,
               snap.crBack};
    const int64_t nGeneration = m_nGeneration + 1;
    desc.strCopy = m_strSession + "." + std::to_string(nGeneration) + ".gwp";
    const std::string strCopy = m_strFolder + "/" + desc.strCopy;
    if (!WriteCopyFile(strCopy, nFrames, snap.nRows, snap.nCols, snap.frames.get(),
                       snap.cells.data(), pCancel, fnBeforeFrame, &desc.nHash, pError))
        return false;
    desc.nSize =
        GWP_HEADER_SIZE + uint64_t(nFrames) * uint64_t(snap.nRows * snap.nCols) * sizeof(CharCell);
    if (!SaveFileSafely(PathOf(".desc"), FormatDesc(desc), pError)) {
        RemoveFile(strCopy);
        return false;
    }
    // A stale generation left by a failed removal is swept with the copy.
    if (m_nGeneration > 0)
        RemoveFile(PathOf("." + std::to_string(m_nGeneration) + ".gwp"));
    m_nGeneration = nGeneration;
    return true;
}

bool CRecoveryStore::RemoveCopyLocked()
{
    if (m_fdLock < 0)
        return true;
    m_nGeneration = 0;
    return RemoveSessionCopy(m_strFolder, m_strSession.substr(std::strlen(kPrefix)));
}

bool CRecoveryStore::RemoveCopy()
{
    std::lock_guard lock(m_mutex);
    return RemoveCopyLocked();
}

void CRecoveryStore::CloseClean()
{
    std::lock_guard lock(m_mutex);
    if (m_fdLock < 0)
        return;
    // The lock goes last and while still held, so no one sees a copy unlocked.
    if (RemoveCopyLocked())
        RemoveFile(PathOf(".lock"));
    close(m_fdLock);
    m_fdLock = -1;
}

std::vector<CRecoveryEntry> FindOrphanedCopies(const std::string& strFolder)
{
    std::vector<CRecoveryEntry> vEntries;
    for (const auto& [strId, vNames] : SessionFiles(strFolder)) {
        const std::string strLock = std::string(kPrefix) + strId + ".lock";
        if (vNames.size() == 1 && vNames[0] == strLock)
            continue; // a lock alone: no copy to offer
        int fd = -1;
        if (!TakeDeadLock(strFolder + "/" + strLock, &fd))
            continue;
        if (fd >= 0)
            close(fd);
        CRecoveryEntry entry;
        entry.strFolder = strFolder;
        entry.strSession = strId;
        // One copy that cannot be examined must not hide the others.
        try {
            Examine(&entry, vNames);
        } catch (const std::bad_alloc&) {
            entry.bDamaged = true;
        }
        vEntries.push_back(std::move(entry));
    }
    std::stable_sort(
        vEntries.begin(), vEntries.end(),
        [](const CRecoveryEntry& a, const CRecoveryEntry& b) { return a.nTime > b.nTime; });
    return vEntries;
}

bool DiscardCopy(const CRecoveryEntry& entry)
{
    if (!ValidId(entry.strSession))
        return false;
    const std::string strLock = entry.strFolder + "/" + kPrefix + entry.strSession + ".lock";
    // Held while the files go, so the session cannot come alive meanwhile.
    int fd = -1;
    if (!TakeDeadLock(strLock, &fd))
        return false;
    const bool bOk =
        RemoveSessionCopy(entry.strFolder, entry.strSession) && (fd < 0 || RemoveFile(strLock));
    if (fd >= 0)
        close(fd);
    return bOk;
}

void RemoveLeftovers(const std::string& strFolder)
{
    const time_t nOld = time(nullptr) - kLeftoverSecs;
    // Temporary files carry no session name; the lock their writer holds on
    // each (see SaveFileSafely) stands for its session's.
    std::vector<std::string> vTemps;
    if (DIR* d = opendir(strFolder.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string_view(e->d_name).starts_with(kTempPrefix))
                vTemps.emplace_back(e->d_name);
        closedir(d);
    }
    for (const std::string& strName : vTemps) {
        const std::string strPath = strFolder + "/" + strName;
        int fd = -1;
        struct stat st {};
        if (TakeDeadLock(strPath, &fd) && fd >= 0 && fstat(fd, &st) == 0 && st.st_mtime < nOld)
            RemoveFile(strPath);
        if (fd >= 0)
            close(fd);
    }
    // Locks of sessions that died before their first copy. The process id is
    // written once the lock is held, so a lock with content that is free
    // again is dead; an empty one may be a session starting right now.
    for (const auto& [strId, vNames] : SessionFiles(strFolder)) {
        const std::string strLock = strFolder + "/" + kPrefix + strId + ".lock";
        if (vNames.size() != 1 || strFolder + "/" + vNames[0] != strLock)
            continue;
        int fd = -1;
        struct stat st {};
        if (TakeDeadLock(strLock, &fd) && fd >= 0 && fstat(fd, &st) == 0 &&
            (st.st_size > 0 || st.st_mtime < nOld))
            RemoveFile(strLock);
        if (fd >= 0)
            close(fd);
    }
}
