#include "core/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
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

} // namespace

bool SaveFileSafely(const std::string& strPath, std::string_view data, std::string* pError)
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

    const auto nSlash = strTarget.rfind('/');
    std::string strTemp = strDir + "/." +
                          (nSlash == std::string::npos ? strTarget : strTarget.substr(nSlash + 1)) +
                          ".XXXXXX";
    const int fd = mkstemp(strTemp.data());
    if (fd < 0)
        return fail(Reason(errno));

    int nErr = 0;
    bool bOk = WriteAll(fd, data, &nErr);
    if (bOk && fchmod(fd, nMode) != 0)
        nErr = errno, bOk = false;
    if (bOk && fsync(fd) != 0)
        nErr = errno, bOk = false;
    if (close(fd) != 0 && bOk)
        nErr = errno, bOk = false;
    if (bOk && rename(strTemp.c_str(), strTarget.c_str()) != 0)
        nErr = errno, bOk = false;
    if (!bOk) {
        unlink(strTemp.c_str());
        return fail(Reason(nErr));
    }
    // Make the rename itself durable; a folder that cannot be synced is no
    // reason to report a failure after the file is in place.
    const int dirFd = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
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
