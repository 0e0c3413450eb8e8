// The picture file's bytes, and the damage Qt's BMP and GIF readers would
// show as a picture: what the picture reader checks before any decoder runs.
#include "ui/picture_reader_direct.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CFdCloser {
public:
    explicit CFdCloser(int fd) : m_fd(fd) {}
    ~CFdCloser() { close(m_fd); }
    CFdCloser(const CFdCloser&) = delete;
    CFdCloser& operator=(const CFdCloser&) = delete;

private:
    int m_fd;
};

quint32 Le16(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8;
}
quint32 Le32(const uchar* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// Uncompressed rows only: a run-length or embedded picture has no size to
// compare with, and Qt reports where those end early.
bool BmpCutShort(const uchar* p, qint64 nSize)
{
    if (nSize < 26)
        return false;
    const qint64 nOffset = Le32(p + 10), nHeader = Le32(p + 14);
    qint64 nWidth = 0, nHeight = 0, nBits = 0, nCompression = 0;
    if (nHeader == 12) {
        nWidth = Le16(p + 18), nHeight = Le16(p + 20), nBits = Le16(p + 24);
    } else if (nHeader >= 40 && nSize >= 34) {
        nWidth = qint32(Le32(p + 18)), nHeight = qint32(Le32(p + 22));
        nBits = Le16(p + 28), nCompression = Le32(p + 30);
    } else {
        return false;
    }
    nHeight = nHeight < 0 ? -nHeight : nHeight;
    // 0 plain, 3 and 6 with bit masks; absurd sizes are the size check's.
    constexpr qint64 MAX_SIDE = qint64(1) << 24;
    if ((nCompression != 0 && nCompression != 3 && nCompression != 6) || nWidth < 1 ||
        nWidth > MAX_SIDE || nHeight > MAX_SIDE || nBits < 1 || nBits > 32)
        return false;
    const qint64 nStride = (nWidth * nBits + 31) / 32 * 4;
    return nSize < nOffset + nStride * nHeight;
}

// The first picture is all that is converted: its blocks must be whole, up
// to the empty sub-block that ends its data.
bool GifCutShort(const uchar* p, qint64 nSize)
{
    qint64 n = 13;
    if (nSize < n)
        return true;
    if (p[10] & 0x80)
        n += qint64(3) << ((p[10] & 7) + 1);
    const auto skipSubBlocks = [&] {
        while (n < nSize && p[n] != 0)
            n += 1 + p[n];
        ++n; // the terminator
        return n <= nSize;
    };
    while (n < nSize) {
        if (p[n] == 0x21) { // extension: label, then sub-blocks
            n += 2;
            if (!skipSubBlocks())
                return true;
        } else if (p[n] == 0x2C) { // image: descriptor, colours, code size
            if (n + 10 > nSize)
                return true;
            const uchar nFlags = p[n + 9];
            n += 10 + ((nFlags & 0x80) ? qint64(3) << ((nFlags & 7) + 1) : 0) + 1;
            return !skipSubBlocks();
        } else {
            return false; // a trailer or a stray byte: Qt's to word
        }
    }
    return true;
}

} // namespace

bool ReadPictureBytes(const QString& strPath, QByteArray* pBytes, QString* pError)
{
    // Non-blocking, so a FIFO is opened (and refused) without waiting for a
    // writer; for a regular file the flag changes nothing.
    const int fd =
        open(QFile::encodeName(strPath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *pError = errno == ENOENT ? QStringLiteral("File not found")
                                  : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const CFdCloser closer(fd);
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        *pError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode)) {
        *pError = S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder")
                                      : QStringLiteral("it is not a regular file");
        return false;
    }
    const QString strTooLarge =
        QStringLiteral("the file is larger than %1 MB, too large for a picture")
            .arg(MAX_PICTURE_FILE >> 20);
    if (st.st_size > MAX_PICTURE_FILE) {
        *pError = strTooLarge;
        return false;
    }
    // Read to the end, however long the file has become meanwhile: what a
    // writer cut off is missing data the decoders report, never a fault.
    qsizetype nUsed = 0;
    pBytes->resize(qsizetype(st.st_size) + 1);
    for (;;) {
        if (nUsed == pBytes->size()) {
            if (nUsed > MAX_PICTURE_FILE) {
                *pError = strTooLarge;
                pBytes->clear();
                return false;
            }
            pBytes->resize(std::min<qsizetype>(nUsed * 2, MAX_PICTURE_FILE + 1));
        }
        const ssize_t nRead = read(fd, pBytes->data() + nUsed, std::size_t(pBytes->size() - nUsed));
        if (nRead == 0)
            break;
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0) {
            *pError = QString::fromLocal8Bit(std::strerror(errno));
            pBytes->clear();
            return false;
        }
        nUsed += nRead;
    }
    pBytes->resize(nUsed);
    return true;
}

QString PictureDamage(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const bool bCut = (bytes.startsWith("BM") && BmpCutShort(p, bytes.size())) ||
                      ((bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) &&
                       GifCutShort(p, bytes.size()));
    return bCut ? PictureCutShort() : QString();
}

QString PictureCutShort()
{
    return QStringLiteral("the picture's data ends early: the file is cut short or damaged");
}
