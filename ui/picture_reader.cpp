#include "ui/picture_reader.h"

#include <QImageReader>
#include <QStringList>

#include <algorithm>

bool ReadPicture(const QString& strPath, QImage* pImage, QString* pError)
{
    QImageReader reader(strPath);
    // The picture's own orientation (a phone photo turned on its side) is
    // how people expect to see it.
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Checked before decoding: a header that claims a huge picture must not
    // reach the allocation, and an empty one has nothing to convert.
    const qint64 nLimitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (size.isValid() && (size.isEmpty() || qint64(size.width()) * size.height() * 4 > nLimitBytes)) {
        *pError = size.isEmpty() ? QStringLiteral("the picture has no pixels")
                                 : QStringLiteral("the picture is too large (%1 x %2 pixels)")
                                       .arg(size.width())
                                       .arg(size.height());
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

QString PictureFileFilter()
{
    QStringList vPatterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        vPatterns << QStringLiteral("*.") + QString::fromLatin1(format);
    // The four every installation reads come first.
    const QStringList vFirst = {QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
                                QStringLiteral("*.png")};
    QStringList vOrdered = vFirst;
    for (const QString& str : vPatterns)
        if (!vOrdered.contains(str))
            vOrdered << str;
    return QStringLiteral("Image file (%1)").arg(vOrdered.join(u' '));
}
