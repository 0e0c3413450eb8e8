#include "ui/picture_frames.h"

#include "ui/picture_reader_direct.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace {

// Whether a GIF's frames end early: a block cut short, or bytes that start
// no block, before the trailer. Qt's reader counts and decodes the whole
// frames before such damage and nothing after it, which would pass for a
// shorter animation. A file that ends after a whole frame without the
// trailer is taken as whole, as viewers take it.
bool GifFramesCutShort(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 nSize = bytes.size();
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
    while (n < nSize && p[n] != 0x3B) {
        if (p[n] == 0x21) { // extension: label, then sub-blocks
            n += 2;
        } else if (p[n] == 0x2C) { // image: descriptor, colours, code size
            if (n + 10 > nSize)
                return true;
            const uchar nFlags = p[n + 9];
            n += 10 + ((nFlags & 0x80) ? qint64(3) << ((nFlags & 7) + 1) : 0) + 1;
        } else {
            return true;
        }
        if (!skipSubBlocks())
            return true;
    }
    return false;
}

} // namespace

CPictureFrames::CPictureFrames() = default;
CPictureFrames::~CPictureFrames() = default;

bool CPictureFrames::Open(const QString& strPath, QString* pError)
{
    m_pReader.reset();
    m_buffer.close();
    m_nCount = m_nRead = 0;
    if (!ReadPictureBytes(strPath, &m_bytes, pError))
        return false;
    *pError = PictureDamage(m_bytes);
    if (pError->isEmpty() && (m_bytes.startsWith("GIF87a") || m_bytes.startsWith("GIF89a")) &&
        GifFramesCutShort(m_bytes))
        *pError = PictureCutShort();
    if (!pError->isEmpty())
        return false;
    m_buffer.setBuffer(&m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    const QByteArray suffix = QFileInfo(strPath).suffix().toLower().toLatin1();
    const QByteArray format = QImageReader::imageFormat(&m_buffer);
    if (format == "svg" || format == "svgz" || suffix == "svg" || suffix == "svgz") {
        *pError = QStringLiteral("SVG drawings are not read, only pictures made of pixels");
        return false;
    }
    m_pReader = std::make_unique<QImageReader>(&m_buffer, suffix);
    m_pReader->setAutoTransform(true);
    const QSize size = m_pReader->size();
    if (size.isValid()) {
        *pError = PictureSizeRefusal(size.width(), size.height());
        if (!pError->isEmpty())
            return false;
    }
    // Readers that cannot count (or a still picture) give 0 or less.
    m_nCount = std::max(m_pReader->imageCount(), 1);
    return true;
}

bool CPictureFrames::Next(QImage* pFrame, int* pnDelayMs, QString* pError)
{
    if (!m_pReader || m_nRead >= m_nCount) {
        *pError = QStringLiteral("the picture has no more frames");
        return false;
    }
    QImage image;
    if (!m_pReader->read(&image)) {
        *pError = m_nRead == 0 ? m_pReader->errorString()
                               : QStringLiteral("frame %1 of %2 cannot be read: %3")
                                     .arg(m_nRead + 1)
                                     .arg(m_nCount)
                                     .arg(m_pReader->errorString());
        return false;
    }
    ++m_nRead;
    *pnDelayMs = std::max(m_pReader->nextImageDelay(), 0);
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        *pError = QStringLiteral("the picture has no pixels");
        return false;
    }
    *pFrame = image.convertToFormat(QImage::Format_RGBA8888);
    if (pFrame->isNull()) {
        *pError = QStringLiteral("not enough memory to hold the picture");
        return false;
    }
    return true;
}
