#include "ui/picture_frames.h"

#include "core/gif_scan.h"
#include "ui/picture_reader_direct.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

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
    // Qt's reader would count and decode only the frames before the damage.
    if (pError->isEmpty() && (m_bytes.startsWith("GIF87a") || m_bytes.startsWith("GIF89a")) &&
        GifFrameCount(reinterpret_cast<const uint8_t*>(m_bytes.constData()), std::size_t(m_bytes.size())) < 0)
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
