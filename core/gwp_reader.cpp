#include "core/gwp_reader.h"

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/loaded_frames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

constexpr const char* kDamaged = "This file is damaged and cannot be opened";
// Frames smaller than this are read several at a time through a buffer.
constexpr std::size_t kDirectReadBytes = 64 * 1024;
constexpr std::size_t kBufferBytes = 1024 * 1024;
// How often the progress callback is asked, in bytes read.
constexpr std::size_t kProgressBytes = 4 * 1024 * 1024;

int32_t ReadInt(const unsigned char* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

// Reads exactly nBytes at nOffset; false with errno set (0: end of file).
bool ReadAt(int fd, void* pDst, std::size_t nBytes, uint64_t nOffset)
{
    auto* p = static_cast<char*>(pDst);
    while (nBytes > 0) {
        const ssize_t n = pread(fd, p, nBytes, static_cast<off_t>(nOffset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = 0;
            return false;
        }
        p += n;
        nBytes -= static_cast<std::size_t>(n);
        nOffset += static_cast<uint64_t>(n);
    }
    return true;
}

template <typename Result> Result Damaged(std::string* pMessage, const std::string& strWhy)
{
    if (pMessage)
        *pMessage = std::string(kDamaged) + " (" + strWhy + ").";
    return Result::Damaged;
}

// Why a header's counts describe no drawing that fits in nSize bytes; empty
// when they describe one.
std::string HeaderFault(int32_t nFrames, int32_t nCols, int32_t nRows, uint64_t nSize)
{
    if (nFrames < 1 || nFrames > GWP_MAX_FRAMES)
        return "it claims " + std::to_string(nFrames) + " frames";
    if (nCols < 1 || nCols > MAX_COLS || nRows < 1 || nRows > MAX_ROWS)
        return "it claims a canvas of " + std::to_string(nRows) + " rows and " +
               std::to_string(nCols) + " columns";
    const uint64_t nNeeded =
        GWP_HEADER_SIZE + uint64_t(nFrames) * uint64_t(nRows) * uint64_t(nCols) * sizeof(CharCell);
    if (nSize < nNeeded)
        return "it is shorter than its header says";
    return {};
}

} // namespace

CGwpFile::~CGwpFile()
{
    Close();
}

void CGwpFile::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_header = CGwpHeader{};
}

EGwpOpen CGwpFile::Open(const std::string& strPath, std::string* pMessage)
{
    Close();
    auto say = [&](EGwpOpen result, const std::string& str) {
        if (pMessage)
            *pMessage = str;
        Close();
        return result;
    };
    // Not blocking: a pipe with no writer must not hang the open.
    m_fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0)
        return say(EGwpOpen::Unreadable, std::strerror(errno));
    struct stat st {};
    if (fstat(m_fd, &st) != 0)
        return say(EGwpOpen::Unreadable, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return say(EGwpOpen::WrongType, MSG_WRONG_TYPE_FILE);
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);

    unsigned char aHead[GWP_HEADER_SIZE] = {};
    const auto nSize = static_cast<uint64_t>(st.st_size);
    if (nSize < 8 || !ReadAt(m_fd, aHead, 8, 0) || std::memcmp(aHead, GWP_MAGIC, 8) != 0)
        return say(EGwpOpen::WrongType, MSG_WRONG_TYPE_FILE);
    if (nSize < GWP_HEADER_SIZE || !ReadAt(m_fd, aHead + 8, GWP_HEADER_SIZE - 8, 8)) {
        const EGwpOpen result = Damaged<EGwpOpen>(pMessage, "its header is cut short");
        Close();
        return result;
    }
    CGwpHeader header;
    header.nFrames = ReadInt(aHead + 8);
    header.nCols = ReadInt(aHead + 12);
    header.nRows = ReadInt(aHead + 16);
    const std::string strWhy = HeaderFault(header.nFrames, header.nCols, header.nRows, nSize);
    if (!strWhy.empty()) {
        const EGwpOpen result = Damaged<EGwpOpen>(pMessage, strWhy);
        Close();
        return result;
    }
    m_header = header;
    return EGwpOpen::Ok;
}

bool CGwpFile::ReadFrames(int nFirst, int nCount, void* pDst, std::string* pError)
{
    const std::size_t nFrameBytes = m_header.FrameBytes();
    if (m_fd < 0 || nFirst < 0 || nCount < 0 || nFirst + nCount > m_header.nFrames) {
        if (pError)
            *pError = "no such frame";
        return false;
    }
    if (ReadAt(m_fd, pDst, std::size_t(nCount) * nFrameBytes,
               GWP_HEADER_SIZE + uint64_t(nFirst) * nFrameBytes))
        return true;
    if (pError)
        *pError = errno ? std::strerror(errno) : "the file ended early";
    return false;
}

namespace {

// Makes one frame: a store of its own whose cells are allocated and filled
// in sealed steps, so nothing about them can be undone; a frame smaller than
// a page rests in memory of its own until it is made current.
template <typename Fill> void AddFrame(CLoadedFrames& frames, std::size_t nBytes, Fill fill)
{
    if (nBytes < RESTING_MAX_BYTES) {
        std::shared_ptr<CharCell[]> pCells(new CharCell[nBytes / sizeof(CharCell)]);
        frames.vResting.resize(frames.vFrames.size());
        frames.vResting.push_back(pCells);
        frames.vFrames.emplace_back(0, pCells.get());
        fill(pCells.get());
        return;
    }
    const unsigned nId = BackupCreate();
    frames.vFrames.emplace_back(nId, nullptr);
    void* pCells = BackupAllocSealed(static_cast<unsigned>(nBytes), nId, fill);
    if (!pCells)
        throw CBackupError("virtual alloc failed");
    frames.vFrames.back().second = static_cast<CharCell*>(pCells);
}

template <typename Body>
EGwpLoad Guarded(CLoadedFrames* pFrames, std::string* pMessage, Body body)
{
    EGwpLoad result;
    try {
        result = body();
    } catch (const CBackupError&) {
        result = EGwpLoad::NoMemory;
    } catch (const std::bad_alloc&) {
        result = EGwpLoad::NoMemory;
    }
    if (result == EGwpLoad::NoMemory && pMessage)
        *pMessage = MSG_NO_MEMORY_OPEN;
    if (result != EGwpLoad::Ok)
        pFrames->Clear();
    return result;
}

} // namespace

EGwpLoad GwpReadFrames(CGwpFile& file, CLoadedFrames* pFrames, std::string* pMessage,
                       const GwpProgress& progress)
{
    pFrames->Clear();
    const CGwpHeader& header = file.Header();
    pFrames->nRows = header.nRows;
    pFrames->nCols = header.nCols;
    const std::size_t nFrameBytes = header.FrameBytes();
    const int nTotal = header.nFrames;
    const int nPerRead =
        nFrameBytes >= kDirectReadBytes ? 1 : static_cast<int>(kBufferBytes / nFrameBytes);
    const int nPerReport = std::max(1, static_cast<int>(kProgressBytes / nFrameBytes));

    return Guarded(pFrames, pMessage, [&] {
        pFrames->vFrames.reserve(static_cast<std::size_t>(nTotal));
        std::vector<char> vBuffer(nPerRead > 1 ? std::size_t(nPerRead) * nFrameBytes : 0);
        std::string strError;
        bool bReadOk = true;
        int nNextReport = nPerReport;
        for (int n = 0; n < nTotal && bReadOk;) {
            if (nPerRead == 1) {
                // A large frame is read straight into its store's pages.
                AddFrame(*pFrames, nFrameBytes,
                         [&](void* p) { bReadOk = file.ReadFrames(n, 1, p, &strError); });
                ++n;
            } else {
                const int nCount = std::min(nPerRead, nTotal - n);
                bReadOk = file.ReadFrames(n, nCount, vBuffer.data(), &strError);
                for (int i = 0; i < nCount && bReadOk; ++i, ++n)
                    AddFrame(*pFrames, nFrameBytes, [&](void* p) {
                        std::memcpy(p, vBuffer.data() + std::size_t(i) * nFrameBytes, nFrameBytes);
                    });
            }
            if (bReadOk && progress && (n >= nNextReport || n == nTotal)) {
                nNextReport = n + nPerReport;
                if (!progress(n, nTotal))
                    return EGwpLoad::Cancelled;
            }
        }
        if (!bReadOk) {
            if (pMessage)
                *pMessage = "The file could not be read (" + strError + ").";
            return EGwpLoad::ReadError;
        }
        return EGwpLoad::Ok;
    });
}

EGwpLoad GwpBuildFrames(const CGwpImage& image, CLoadedFrames* pFrames, std::string* pMessage)
{
    pFrames->Clear();
    pFrames->nRows = image.nRows;
    pFrames->nCols = image.nCols;
    const std::size_t nFrameBytes = image.FrameBytes();
    return Guarded(pFrames, pMessage, [&] {
        pFrames->vFrames.reserve(static_cast<std::size_t>(image.nFrames));
        for (int n = 0; n < image.nFrames; ++n)
            AddFrame(*pFrames, nFrameBytes,
                     [&](void* p) { std::memcpy(p, image.Frame(n), nFrameBytes); });
        return EGwpLoad::Ok;
    });
}

EGwpResult GwpParse(std::string_view data, CGwpImage* pImage, std::string* pMessage)
{
    if (data.size() < 8 || std::memcmp(data.data(), GWP_MAGIC, 8) != 0) {
        if (pMessage)
            *pMessage = MSG_WRONG_TYPE_FILE;
        return EGwpResult::WrongType;
    }
    if (data.size() < GWP_HEADER_SIZE)
        return Damaged<EGwpResult>(pMessage, "its header is cut short");
    const auto* pHead = reinterpret_cast<const unsigned char*>(data.data());
    const int32_t nFrames = ReadInt(pHead + 8);
    const int32_t nCols = ReadInt(pHead + 12);
    const int32_t nRows = ReadInt(pHead + 16);
    const std::string strWhy = HeaderFault(nFrames, nCols, nRows, data.size());
    if (!strWhy.empty())
        return Damaged<EGwpResult>(pMessage, strWhy);
    pImage->nFrames = nFrames;
    pImage->nCols = nCols;
    pImage->nRows = nRows;
    pImage->frames = data.substr(GWP_HEADER_SIZE, pImage->FrameBytes() * std::size_t(nFrames));
    return EGwpResult::Ok;
}

bool GwpLoad(CArtDoc& doc, const CGwpImage& image, std::string* pMessage)
{
    CLoadedFrames frames;
    return GwpBuildFrames(image, &frames, pMessage) == EGwpLoad::Ok && doc.AdoptFrames(frames);
}
