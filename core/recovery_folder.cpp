#include "core/recovery_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

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

} // namespace

int OpenRegular(const std::string& strPath, struct stat* pSt)
{
    const int fd = open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    if (pSt)
        *pSt = st;
    return fd;
}

bool TakeDeadLock(const std::string& strLock, int* pfd)
{
    *pfd = OpenRegular(strLock);
    if (*pfd < 0)
        return errno == ENOENT;
    // Another sweep may have removed the file meanwhile, and a new session
    // taken the name: the lock held must be the one the name leads to.
    struct stat stHeld {}, stNamed {};
    if (flock(*pfd, LOCK_EX | LOCK_NB) == 0 && fstat(*pfd, &stHeld) == 0 &&
        lstat(strLock.c_str(), &stNamed) == 0 && stHeld.st_ino == stNamed.st_ino &&
        stHeld.st_dev == stNamed.st_dev)
        return true;
    close(*pfd);
    *pfd = -1;
    return false;
}

bool ReadSmallFile(const std::string& strPath, off_t nMax, std::string* pText)
{
    struct stat st {};
    const int fd = OpenRegular(strPath, &st);
    if (fd < 0)
        return false;
    bool bOk = st.st_size <= nMax;
    pText->assign(bOk ? std::size_t(st.st_size) : 0, '\0');
    std::size_t nHave = 0;
    while (bOk && nHave < pText->size()) {
        const ssize_t n = read(fd, pText->data() + nHave, pText->size() - nHave);
        if (n < 0 && errno == EINTR)
            continue;
        bOk = n > 0;
        nHave += bOk ? std::size_t(n) : 0;
    }
    close(fd);
    return bOk;
}

bool MakeRecoveryFolder(const std::string& strFolder, std::string* pError)
{
    for (std::size_t n = 1; n <= strFolder.size(); ++n) {
        if (n < strFolder.size() && strFolder[n] != '/')
            continue;
        const std::string strPart = strFolder.substr(0, n);
        if (mkdir(strPart.c_str(), 0700) != 0 && errno != EEXIST)
            return Fail(pError, SystemReason(strPart.c_str()));
    }
    struct stat st {};
    const int fd = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int nOpenErr = errno;
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && lstat(strFolder.c_str(), &st) == 0 &&
        S_ISLNK(st.st_mode)) {
        // A link the user made: the folder it names is used as it is, never
        // made private, for it may be shared; one owned by someone else
        // (a shared 1777 folder) could be read or emptied by its owner.
        if (stat(strFolder.c_str(), &st) != 0)
            return Fail(pError, SystemReason(strFolder.c_str()));
        if (!S_ISDIR(st.st_mode))
            return Fail(pError, strFolder + " is not a folder");
        if (st.st_uid != geteuid())
            return Fail(pError, strFolder + " is a link to a folder owned by someone else");
        return true;
    }
    if (fd < 0) {
        errno = nOpenErr;
        return Fail(pError, errno == ENOTDIR ? strFolder + " is not a folder"
                                             : SystemReason(strFolder.c_str()));
    }
    // Copies of the user's drawings are nobody else's to read.
    const bool bOk = fstat(fd, &st) == 0 && ((st.st_mode & 077) == 0 || fchmod(fd, 0700) == 0);
    const std::string strWhy = bOk ? std::string() : SystemReason(strFolder.c_str());
    close(fd);
    return bOk || Fail(pError, strWhy);
}
