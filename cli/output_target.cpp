#include "cli/output_target.h"

#include <ext/stdio_filebuf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

bool WriteOutput(const std::string& strPath, const SaveWriter& writer, std::string* pError,
                 ESaveWrites writes)
{
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return SaveFileSafely(strPath, writer, pError, writes);
    const int fd = open(strPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *pError = std::strerror(errno);
        return false;
    }
    bool bWritten = false;
    int nError = 0;
    {
        __gnu_cxx::stdio_filebuf<char> buf(fd, std::ios::out, 1 << 16);
        std::ostream os(&buf);
        bWritten = writer(os);
        errno = 0;
        os.flush();
        nError = errno;
        bWritten = bWritten && os.good();
    } // closes fd
    if (!bWritten)
        *pError = nError != 0 ? std::strerror(nError) : "the content could not be written";
    return bWritten;
}

bool IsSameFile(const std::string& strA, const std::string& strB)
{
    struct stat a {}, b {};
    return stat(strA.c_str(), &a) == 0 && stat(strB.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool FlushStandardOutput(std::string* pError)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    *pError = errno != 0 ? std::strerror(errno) : "a write failed";
    return false;
}
