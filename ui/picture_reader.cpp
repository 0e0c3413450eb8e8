#include "ui/picture_reader.h"

#include "ui/picture_reader_direct.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <sys/mman.h>

QString PictureSizeRefusal(qint64 nWidth, qint64 nHeight)
{
    if (nWidth < 1 || nHeight < 1)
        return QStringLiteral("the picture has no pixels");
    // No limit set means none, as for QImageReader itself.
    const qint64 nLimitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (nLimitBytes > 0 && nWidth * nHeight * 4 > nLimitBytes)
        return QStringLiteral("the picture is too large (%1 x %2 pixels)").arg(nWidth).arg(nHeight);
    return {};
}

QImage NewRgbaPicture(int nWidth, int nHeight)
{
    constexpr std::size_t HUGE_PAGE = std::size_t(2) << 20;
    const std::size_t nStride = std::size_t(nWidth) * 4;
    const std::size_t nBytes = nStride * std::size_t(nHeight);
    if (nBytes < 2 * HUGE_PAGE || nStride > std::size_t(std::numeric_limits<qsizetype>::max()))
        return QImage(nWidth, nHeight, QImage::Format_RGBA8888);
    void* pBuffer = std::aligned_alloc(HUGE_PAGE, (nBytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE);
    if (!pBuffer)
        return {};
    madvise(pBuffer, nBytes, MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(pBuffer), nWidth, nHeight, qsizetype(nStride),
                  QImage::Format_RGBA8888, std::free, pBuffer);
}

namespace {

// JPEG and PNG, known by their first bytes whatever the file's name, go to
// the direct decoders; anything else, or what they leave, to Qt.
EDirectRead ReadDirect(const QByteArray& bytes, QImage* pImage, QString* pError)
{
    if (bytes.size() < 8)
        return EDirectRead::LeaveToQt;
    const auto* pData = reinterpret_cast<const uchar*>(bytes.constData());
    const auto nSize = std::size_t(bytes.size());
    if (pData[0] == 0xFF && pData[1] == 0xD8 && pData[2] == 0xFF)
        return ReadJpegDirect(pData, nSize, pImage, pError);
    if (std::memcmp(pData, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ReadPngDirect(pData, nSize, pImage, pError);
    return EDirectRead::LeaveToQt;
}

// SVG is not read: a drawing may pull any file it names into the picture,
// and a compressed one unpacks to any size before its own is known.
bool IsVectorFormat(const QByteArray& format)
{
    return format == "svg" || format == "svgz";
}

} // namespace

bool ReadPictureData(const QByteArray& bytes, const QString& strSuffix, QImage* pImage,
                     QString* pError)
{
    switch (ReadDirect(bytes, pImage, pError)) {
    case EDirectRead::Decoded:
        if (!pImage->isNull())
            return true;
        *pError = QStringLiteral("not enough memory to hold the picture");
        return false;
    case EDirectRead::Refused:
        return false;
    case EDirectRead::LeaveToQt:
        break;
    }
    *pError = PictureDamage(bytes);
    if (!pError->isEmpty())
        return false;
    // A JPEG the direct decoder leaves (CMYK, for one) gets the same limit
    // on scans; Qt's reader has none. Outside marker segments the bytes FF DA
    // only start a scan, so counting them overcounts by a thumbnail at most.
    if (bytes.startsWith("\xFF\xD8\xFF") && bytes.count("\xFF\xDA") > MAX_JPEG_SCANS) {
        *pError = JpegScansRefusal();
        return false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray suffix = strSuffix.toLower().toLatin1();
    if (IsVectorFormat(suffix) || IsVectorFormat(QImageReader::imageFormat(&buffer))) {
        *pError = QStringLiteral("SVG drawings are not read, only pictures made of pixels");
        return false;
    }
    QImageReader reader(&buffer, suffix);
    // The picture's own orientation (a phone photo turned on its side) is
    // how people expect to see it.
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Checked before decoding: a header that claims a huge picture must not
    // reach the allocation, and an empty one has nothing to convert. Qt's
    // plugins also hold each allocation to QImageReader::allocationLimit().
    if (size.isValid()) {
        *pError = PictureSizeRefusal(size.width(), size.height());
        if (!pError->isEmpty())
            return false;
    }
    QImage image;
    if (!reader.read(&image)) {
        *pError = reader.errorString();
        return false;
    }
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        *pError = QStringLiteral("the picture has no pixels");
        return false;
    }
    *pImage = image.convertToFormat(QImage::Format_RGBA8888);
    if (pImage->isNull()) {
        *pError = QStringLiteral("not enough memory to hold the picture");
        return false;
    }
    return true;
}

bool ReadPicture(const QString& strPath, QImage* pImage, QString* pError)
{
    QByteArray bytes;
    return ReadPictureBytes(strPath, &bytes, pError) &&
           ReadPictureData(bytes, QFileInfo(strPath).suffix(), pImage, pError);
}

QString PictureFileFilter()
{
    QStringList vPatterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        if (!IsVectorFormat(format))
            vPatterns << QStringLiteral("*.") + QString::fromLatin1(format);
    // The four every installation reads come first.
    const QStringList vFirst = {QStringLiteral("*.bmp"), QStringLiteral("*.jpg"),
                                QStringLiteral("*.gif"), QStringLiteral("*.png")};
    QStringList vOrdered = vFirst;
    for (const QString& str : vPatterns)
        if (!vOrdered.contains(str))
            vOrdered << str;
    return QStringLiteral("Image file (%1)").arg(vOrdered.join(u' '));
}
