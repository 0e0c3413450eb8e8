#include "core/safe_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <deque>
#include <cstring>
#include <memory>
#include <ostream>
#include <streambuf>
#include <thread>
#include <mutex>
#include <utility>
#include <vector>

namespace {

std::string Reason(int nErr)
{
    return std::strerror(nErr);
}

std::string DirName(const std::string& strPath)
{
    const auto nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos)
        return ".";
    return nSlash == 0 ? "/" : strPath.substr(0, nSlash);
}

// Follows symbolic links to the file they finally name (which may not exist yet).
std::string ResolveLinks(std::string strPath)
{
    for (int nHops = 0; nHops < 40; ++nHops) {
        std::vector<char> buf(PATH_MAX);
        const ssize_t n = readlink(strPath.c_str(), buf.data(), buf.size() - 1);
        if (n < 0)
            return strPath;
        std::string strTarget(buf.data(), static_cast<std::size_t>(n));
        if (strTarget.empty() || strTarget[0] != '/')
            strTarget = DirName(strPath) + "/" + strTarget;
        strPath = strTarget;
    }
    return strPath;
}

bool WriteAll(int fd, std::string_view data, int* pnErr)
{
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *pnErr = errno;
            return false;
        }
        if (n == 0) {
            *pnErr = ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A write buffer, not cleared when made: only the bytes the content fills
// are ever written out.
struct CWriteBuffer {
    std::unique_ptr<char[]> pData;
    std::size_t nFilled = 0;
    explicit CWriteBuffer(std::size_t nCapacity) : pData(new char[nCapacity]) {}
};

// An output buffer over a file descriptor. The first failed write is kept
// with its errno, and every write after it fails too, so a writer that never
// looks at its stream cannot make a half-written file look whole.
//
// Writing behind, a full buffer goes to a thread of its own that writes it
// while the next ones are filled, so making the content and copying it into
// the system's cache overlap; a few buffers wait their turn, so a write that
// stalls now and then (the disk catching up) does not stall the maker.
class CFdStreamBuf : public std::streambuf {
public:
    CFdStreamBuf(int fd, bool bBehind)
        : m_fd(fd), m_nCapacity(bBehind ? kBehindBufferBytes : kBufferBytes), m_buffer(m_nCapacity)
    {
        Refill();
        if (bBehind) {
            // Large buffers: each hand-over wakes the writer.
            m_vFree.reserve(kBehindBuffers - 1);
            for (std::size_t i = 0; i + 1 < kBehindBuffers; ++i)
                m_vFree.emplace_back(m_nCapacity);
            m_writer = std::thread([this] { WriterLoop(); });
        }
    }
    ~CFdStreamBuf() override { Stop(); }
    CFdStreamBuf(const CFdStreamBuf&) = delete;
    CFdStreamBuf& operator=(const CFdStreamBuf&) = delete;

    // Everything handed over is written (or has failed); the thread is gone.
    void Stop()
    {
        if (!m_writer.joinable())
            return;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return Idle(); });
            m_bStop = true;
        }
        m_cv.notify_all();
        m_writer.join();
    }

    int Error()
    {
        std::lock_guard lock(m_mutex);
        return m_nErr;
    }

protected:
    int_type overflow(int_type ch) override
    {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }

    // A block as large as the buffer goes straight to the file, uncopied.
    std::streamsize xsputn(const char* p, std::streamsize n) override
    {
        if (m_writer.joinable() || n < static_cast<std::streamsize>(m_nCapacity))
            return std::streambuf::xsputn(p, n);
        if (!Drain() || !Write({p, static_cast<std::size_t>(n)}))
            return 0;
        return n;
    }

    int sync() override
    {
        if (!Drain())
            return -1;
        if (!m_writer.joinable())
            return 0;
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return Idle(); });
        return m_nErr == 0 ? 0 : -1;
    }

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;
    static constexpr std::size_t kBehindBufferBytes = 1024 * 1024;
    static constexpr std::size_t kBehindBuffers = 8;
    static constexpr std::size_t kWritebackBytes = 8 * 1024 * 1024;

    bool Drain()
    {
        const std::size_t nPending = static_cast<std::size_t>(pptr() - pbase());
        if (!m_writer.joinable()) {
            if (m_nErr != 0)
                return false;
            Refill();
            return Write({m_buffer.pData.get(), nPending});
        }
        // Hand this buffer to the writer and fill a free one.
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_vFree.empty() || m_nErr != 0; });
        if (m_nErr != 0)
            return false;
        if (nPending == 0)
            return true;
        m_buffer.nFilled = nPending;
        m_dqFull.push_back(std::move(m_buffer));
        m_buffer = std::move(m_vFree.back());
        m_vFree.pop_back();
        Refill();
        lock.unlock();
        m_cv.notify_all();
        return true;
    }

    // The put area is the whole of the buffer being filled.
    void Refill() { setp(m_buffer.pData.get(), m_buffer.pData.get() + m_nCapacity); }

    // Nothing waits to be written and nothing is being written.
    bool Idle() const { return m_dqFull.empty() && !m_bWriting; }

    void WriterLoop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [this] { return m_bStop || !m_dqFull.empty(); });
            if (m_dqFull.empty())
                return;
            CWriteBuffer buffer = std::move(m_dqFull.front());
            m_dqFull.pop_front();
            m_bWriting = true;
            const bool bFailed = m_nErr != 0;
            lock.unlock();
            int nErr = 0;
            // After a failure the rest is dropped: the save fails anyway.
            const bool bOk = bFailed || Write({buffer.pData.get(), buffer.nFilled}, &nErr);
            lock.lock();
            if (!bOk && m_nErr == 0)
                m_nErr = nErr;
            m_bWriting = false;
            m_vFree.push_back(std::move(buffer));
            m_cv.notify_all();
        }
    }

    bool Write(std::string_view data) { return Write(data, &m_nErr); }

    bool Write(std::string_view data, int* pnErr)
    {
        if (!WriteAll(m_fd, data, pnErr))
            return false;
        m_nWritten += data.size();
#ifdef __linux__
        // Start the disk on what is written so far, so the fsync at the end
        // of a long export waits for the last few MiB only. Only a hint: the
        // fsync is what is checked.
        if (m_nWritten - m_nFlushed >= kWritebackBytes) {
            sync_file_range(m_fd, static_cast<off_t>(m_nFlushed),
                            static_cast<off_t>(m_nWritten - m_nFlushed), SYNC_FILE_RANGE_WRITE);
            m_nFlushed = m_nWritten;
        }
#endif
        return true;
    }

    int m_fd;
    int m_nErr = 0; // guarded by m_mutex while the writer runs
    std::size_t m_nCapacity; // of every buffer
    CWriteBuffer m_buffer; // being filled
    std::size_t m_nWritten = 0; // the writer's own, or this thread's without one
    std::size_t m_nFlushed = 0; // the disk has been asked to write up to here
    // Writing behind: buffers waiting to be written, in order, and free ones;
    // whether the writer is writing one.
    std::deque<CWriteBuffer> m_dqFull;
    std::vector<CWriteBuffer> m_vFree;
    bool m_bWriting = false;
    std::thread m_writer;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bStop = false;
};

// The temporary file until it is renamed: removed on every other way out,
// an exception from the writer included.
class CTempFile {
public:
    CTempFile(std::string strPath, int fd) : m_strPath(std::move(strPath)), m_fd(fd) {}
    ~CTempFile()
    {
        if (m_fd >= 0)
            close(m_fd);
        if (!m_strPath.empty())
            unlink(m_strPath.c_str());
    }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_strPath; }
    // Closes the descriptor; false (errno set) when the close reports an error.
    bool Close()
    {
        const int fd = std::exchange(m_fd, -1);
        return close(fd) == 0;
    }
    void Keep() { m_strPath.clear(); }

private:
    std::string m_strPath;
    int m_fd;
};

} // namespace

bool SaveFileSafely(const std::string& strPath, const SaveWriter& writer, std::string* pError,
                    ESaveWrites writes)
{
    const std::string strTarget = ResolveLinks(strPath);
    const std::string strDir = DirName(strTarget);
    auto fail = [&](const std::string& strWhy) {
        if (pError)
            *pError = strWhy;
        return false;
    };

    mode_t nMode = 0666;
    struct stat st {};
    if (stat(strTarget.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return fail("it is not a regular file");
        // Even where the system would let us replace it, a file nobody may
        // write to is the user's way of saying "keep this one".
        if ((st.st_mode & 0222) == 0 || access(strTarget.c_str(), W_OK) != 0)
            return fail("the file is read-only");
        nMode = st.st_mode & 07777;
    } else {
        const mode_t nMask = umask(0);
        umask(nMask);
        nMode &= ~nMask;
    }

    // Hidden and in the target's folder, so the rename stays atomic; a fixed
    // length, so a name at the system's limit can still be saved.
    std::string strTemp = strDir + "/.gw-save-XXXXXX";
    // Not inherited by any program started while the file is written.
    const int fd = mkostemp(strTemp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(Reason(errno));
    CTempFile temp(std::move(strTemp), fd);
    // Held while the file is written, so that a sweep of the folder can tell
    // the file of a writer still at work from one a killed writer left.
    flock(fd, LOCK_EX | LOCK_NB);

    {
        CFdStreamBuf buf(temp.Fd(), writes == ESaveWrites::Behind);
        std::ostream os(&buf);
        bool bWritten = false;
        try {
            bWritten = writer(os);
        } catch (...) {
            buf.Stop();
            throw;
        }
        os.flush();
        buf.Stop();
        if (buf.Error() != 0)
            return fail(Reason(buf.Error()));
        if (!bWritten || !os)
            return fail("the content could not be written");
    }
    if (fchmod(temp.Fd(), nMode) != 0 || fsync(temp.Fd()) != 0 || !temp.Close() ||
        rename(temp.Path().c_str(), strTarget.c_str()) != 0)
        return fail(Reason(errno));
    temp.Keep();
    // Make the rename itself durable; a folder that cannot be synced is no
    // reason to report a failure after the file is in place.
    const int dirFd = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

bool SaveFileSafely(const std::string& strPath, std::string_view data, std::string* pError)
{
    return SaveFileSafely(
        strPath,
        [data](std::ostream& os) {
            os.write(data.data(), static_cast<std::streamsize>(data.size()));
            return true;
        },
        pError);
}

bool ReadWholeFile(const std::string& strPath, std::string* pData, std::string* pError)
{
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (pError)
            *pError = Reason(errno);
        return false;
    }
    struct stat st {};
    std::size_t nSize = 0;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        nSize = static_cast<std::size_t>(st.st_size);
    // Read straight into the result; a file that grows meanwhile is read on.
    pData->resize(nSize + 1);
    std::size_t nHave = 0;
    for (;;) {
        if (nHave == pData->size())
            pData->resize(pData->size() * 2);
        const ssize_t n = read(fd, pData->data() + nHave, pData->size() - nHave);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (pError)
                *pError = Reason(errno);
            close(fd);
            pData->clear();
            return false;
        }
        if (n == 0)
            break;
        nHave += static_cast<std::size_t>(n);
    }
    close(fd);
    pData->resize(nHave);
    return true;
}
