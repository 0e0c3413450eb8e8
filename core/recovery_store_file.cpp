#include "core/recovery_store_file.h"

#include "core/frame_snapshot.h"
#include "core/gwp_format.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace {

constexpr off_t kWritebackBytes = 8 * 1024 * 1024;

// The temporary file until it is renamed: removed on every other way out.
struct CTemp {
    std::string strPath;
    int fd = -1;
    ~CTemp()
    {
        if (fd >= 0)
            close(fd);
        if (!strPath.empty())
            unlink(strPath.c_str());
    }
};

} // namespace

std::string CopyHeader(int nFrames, int nCols, int nRows)
{
    std::string strHeader(GWP_MAGIC, 8);
    for (const int32_t n : {nFrames, nCols, nRows})
        for (int i = 0; i < 4; ++i)
            strHeader += static_cast<char>((static_cast<uint32_t>(n) >> (8 * i)) & 0xFF);
    return strHeader;
}

bool WriteCopyFile(const std::string& strPath, int nFrames, int nRows, int nCols,
                   CFrameSnapshot* pFrames, const CharCell* pCells,
                   const std::atomic<bool>* pCancel, const std::function<void(int)>& fnBeforeFrame,
                   uint64_t* pHash, std::string* pError)
{
    const auto fail = [pError](const std::string& strWhy) {
        if (pError)
            *pError = strWhy;
        return false;
    };
    CTemp temp;
    temp.strPath = strPath.substr(0, strPath.rfind('/') + 1) + kTempPrefix + "XXXXXX";
    temp.fd = mkostemp(temp.strPath.data(), O_CLOEXEC);
    if (temp.fd < 0) {
        temp.strPath.clear();
        return fail(std::strerror(errno));
    }
    // Held while the file is written: the sweep leaves a live writer's file.
    flock(temp.fd, LOCK_EX | LOCK_NB);

    CCopyHash hash;
    const std::string strHeader = CopyHeader(nFrames, nCols, nRows);
    hash.Add(strHeader.data(), strHeader.size());
    if (!WriteWholeAt(temp.fd, strHeader.data(), strHeader.size(), 0))
        return fail(std::strerror(errno));
    const std::size_t nCells = std::size_t(nRows * nCols);
    const std::size_t nFrameBytes = nCells * sizeof(CharCell);
    // One buffer for every frame, in the cache still when it is hashed.
    std::vector<CharCell> vFrame(pFrames ? nCells : 0);
    off_t nOffset = off_t(strHeader.size());
    off_t nFlushed = 0;
    for (int n = 0; n < nFrames; ++n) {
        if (fnBeforeFrame)
            fnBeforeFrame(n);
        if (pCancel && pCancel->load(std::memory_order_relaxed))
            return fail("cancelled");
        const CharCell* pFrame = pFrames ? vFrame.data() : pCells + std::size_t(n) * nCells;
        if (pFrames) {
            const auto result =
                pFrames->WriteFrame(std::size_t(n), temp.fd, nOffset, vFrame.data());
            if (result == CFrameSnapshot::EWrite::Lost)
                return fail("not enough memory");
            if (result == CFrameSnapshot::EWrite::Failed)
                return fail(std::strerror(errno));
        } else if (!WriteWholeAt(temp.fd, reinterpret_cast<const char*>(pFrame), nFrameBytes,
                             nOffset)) {
            return fail(std::strerror(errno));
        }
        hash.Add(reinterpret_cast<const char*>(pFrame), nFrameBytes);
        nOffset += off_t(nFrameBytes);
        // The disk starts on what is written so far, so the fsync at the end
        // waits for the last few MiB only.
        if (nOffset - nFlushed >= kWritebackBytes) {
            sync_file_range(temp.fd, nFlushed, nOffset - nFlushed, SYNC_FILE_RANGE_WRITE);
            nFlushed = nOffset;
        }
    }
    if (fsync(temp.fd) != 0 || close(std::exchange(temp.fd, -1)) != 0 ||
        rename(temp.strPath.c_str(), strPath.c_str()) != 0)
        return fail(std::strerror(errno));
    temp.strPath.clear();
    *pHash = hash.Value();
    return true;
}
