// The picture reader's own JPEG and PNG decoders against Qt's readers on the
// same files, the refusals made from a file's header or its damage, and the
// formats that still go through Qt.
#include "ui/picture_reader.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage QtDecoded(const QString& strPath)
{
    QImageReader reader(strPath);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGBA8888);
}

// Largest difference of any byte; -1 when the sizes or formats differ.
int MaxDifference(const QImage& a, const QImage& b)
{
    int nMax = a.size() == b.size() && a.format() == b.format() ? 0 : -1;
    for (int y = 0; nMax >= 0 && y < a.height(); ++y)
        for (int i = 0; i < a.width() * 4; ++i)
            nMax = std::max(nMax, std::abs(a.constScanLine(y)[i] - b.constScanLine(y)[i]));
    return nMax;
}

// Sixteen-bit samples are not all multiples of 257, so rounding shows.
QImage Pattern(QImage::Format format, int nWidth = 61, int nHeight = 37)
{
    QImage image(nWidth, nHeight, QImage::Format_ARGB32);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            image.setPixel(x, y, qRgba(x * 7, y * 5, (x * y) & 255, 255 - (x + y) % 256));
    image = image.convertToFormat(format, Qt::ThresholdDither);
    const bool b16 = format == QImage::Format_Grayscale16 || format == QImage::Format_RGBA64;
    for (int y = 0; b16 && y < nHeight; ++y)
        for (int i = 0; i < image.bytesPerLine() / 2; ++i)
            reinterpret_cast<quint16*>(image.scanLine(y))[i] = quint16(i * 997 + y * 131);
    return image;
}

QByteArray Bytes(quint32 n, int nCount) // big-endian
{
    QByteArray bytes;
    for (int i = nCount - 1; i >= 0; --i)
        bytes += char(n >> 8 * i);
    return bytes;
}

QByteArray PngChunk(const char* pszType, const QByteArray& data)
{
    const QByteArray body = QByteArray(pszType) + data;
    quint32 nCrc = 0xFFFFFFFFu;
    for (const char ch : body) {
        nCrc ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            nCrc = (nCrc >> 1) ^ (0xEDB88320u & (0u - (nCrc & 1)));
    }
    return Bytes(quint32(data.size()), 4) + body + Bytes(~nCrc, 4);
}

// An RGBA picture in Adam7 order, unfiltered: Qt writes no interlaced PNG.
// qCompress gives a zlib stream after its own 4-byte length.
QByteArray InterlacedPng(const QImage& image)
{
    static const int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    QByteArray raw;
    for (const auto& p : kPass)
        for (int y = p[1]; y < image.height(); y += p[3])
            for (int x = p[0], nFirst = 1; x < image.width(); x += p[2], nFirst = 0)
                raw += QByteArray(nFirst, '\0') +
                       QByteArray(reinterpret_cast<const char*>(image.constScanLine(y)) + 4 * x, 4);
    return QByteArray("\x89PNG\r\n\x1a\n") +
           PngChunk("IHDR", Bytes(image.width(), 4) + Bytes(image.height(), 4) +
                                QByteArray("\x08\x06\0\0\x01", 5)) +
           PngChunk("IDAT", qCompress(raw).mid(4)) + PngChunk("IEND", {});
}

} // namespace

class PictureReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_strError;

    QString Write(const char* pszName, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(QString::fromLatin1(pszName)));
        file.open(QIODevice::WriteOnly);
        return file.write(bytes) == bytes.size() ? file.fileName() : QString();
    }
    QByteArray Encoded(const QImage& image, const char* pszFormat)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        return image.save(&buffer, pszFormat, 90) ? buffer.data() : QByteArray();
    }
    QImage Read(const QString& strPath)
    {
        QImage image;
        m_strError.clear();
        return ReadPicture(strPath, &image, &m_strError) ? image : QImage();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void decodesAsQtDoes_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("tolerance"); // JPEG's transforms may round apart
        const QList<QImage::Format> vPng = {QImage::Format_RGB32,       QImage::Format_ARGB32,
                                            QImage::Format_Indexed8,    QImage::Format_Grayscale8,
                                            QImage::Format_Grayscale16, QImage::Format_RGBA64,
                                            QImage::Format_Mono};
        for (const QImage::Format format : vPng)
            QTest::addRow("png %d", int(format)) << Pattern(format) << QByteArray("PNG") << 0;
        QTest::newRow("jpeg") << Pattern(QImage::Format_RGB32, 203, 117) << QByteArray("JPEG") << 2;
        QTest::newRow("jpeg grey") << Pattern(QImage::Format_Grayscale8) << QByteArray("JPEG") << 2;
        // Qt writes no GIF; PPM stands in as a second format of Qt's alone.
        for (const char* pszFormat : {"BMP", "PPM"})
            QTest::newRow(pszFormat) << Pattern(QImage::Format_RGB32) << QByteArray(pszFormat) << 0;
    }
    void decodesAsQtDoes()
    {
        QFETCH(QImage, picture);
        QFETCH(QByteArray, format);
        QFETCH(int, tolerance);
        const QString strPath = Write("pic", Encoded(picture, format));
        const int nDifference = MaxDifference(Read(strPath), QtDecoded(strPath));
        QVERIFY2(nDifference >= 0 && nDifference <= tolerance, qPrintable(m_strError));
    }

    void interlacedPngDecodes()
    {
        const QImage picture = Pattern(QImage::Format_RGBA8888, 21, 13);
        QCOMPARE(MaxDifference(Read(Write("interlaced.png", InterlacedPng(picture))), picture), 0);
    }

    void exifOrientationTurnsJpegAsQtDoes()
    {
        const QByteArray jpeg = Encoded(Pattern(QImage::Format_RGB32, 203, 117), "JPEG");
        for (quint32 nOrientation = 1; nOrientation <= 8; ++nOrientation) {
            // A big-endian EXIF block with the orientation alone, right after SOI.
            const QByteArray exif =
                QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24) +
                Bytes(nOrientation << 16, 4) + Bytes(0, 4);
            const QString strPath =
                Write("turned.jpg",
                      jpeg.left(2) + "\xFF\xE1" + Bytes(exif.size() + 2, 2) + exif + jpeg.mid(2));
            const QImage qt = QtDecoded(strPath);
            QCOMPARE(qt.width(), nOrientation >= 5 ? 117 : 203);
            const int nDifference = MaxDifference(Read(strPath), qt);
            QVERIFY2(nDifference >= 0 && nDifference <= 2,
                     qPrintable(QString::number(nOrientation)));
        }
    }

    void damagedOrHugePicturesAreRefusedWithAReason()
    {
        const QImage picture = Pattern(QImage::Format_RGB32, 203, 117);
        const QByteArray jpeg = Encoded(picture, "JPEG"), png = Encoded(picture, "PNG");
        QByteArray hugeJpeg = jpeg;
        const qsizetype nSof = jpeg.indexOf("\xFF\xC0");
        QVERIFY(nSof > 0);
        hugeJpeg.replace(nSof + 5, 4, Bytes(60000, 2) + Bytes(60000, 2));
        const QByteArray hugePng =
            png.left(8) + PngChunk("IHDR", Bytes(100000, 4) + Bytes(100000, 4) + png.mid(24, 5)) +
            png.mid(33);
        // Qt alone would show the cut JPEG with grey for the missing part.
        const QList<QPair<QByteArray, const char*>> vCases = {
            {jpeg.left(jpeg.size() * 2 / 3), "cut short"},
            {png.left(png.size() * 2 / 3), ""},
            {hugeJpeg, "too large"},
            {hugePng, "too large"}};
        for (const auto& [bytes, pszReason] : vCases) {
            QVERIFY(Read(Write("bad", bytes)).isNull());
            QVERIFY2(m_strError.size() > 8 && m_strError.contains(QLatin1String(pszReason)),
                     qPrintable(m_strError));
        }
    }
};

QTEST_GUILESS_MAIN(PictureReaderTest)
#include "picture_reader_test.moc"
