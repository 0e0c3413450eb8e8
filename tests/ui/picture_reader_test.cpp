// The picture reader's own JPEG and PNG decoders against Qt's readers on the
// same files, the refusals made from a file's header or its damage, and the
// formats that still go through Qt, and hostile, changing or irregular files.
#include "ui/picture_reader.h"
#include "ui/picture_reader_direct.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdlib>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

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

// A gzipped SVG of a few kilobytes that unpacks to 32 MB: qCompress's deflate
// stream (past its length and zlib header, less its checksum) in gzip's frame.
QByteArray SvgzBomb()
{
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'>" +
                           QByteArray(32 << 20, ' ') + "</svg>";
    const auto nCrc = quint32(crc32(0, reinterpret_cast<const Bytef*>(svg.data()), svg.size()));
    const quint32 vTrailer[2] = {qToLittleEndian(nCrc), qToLittleEndian(quint32(svg.size()))};
    return QByteArray("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10) + qCompress(svg, 9).mid(6).chopped(4) +
           QByteArray(reinterpret_cast<const char*>(vTrailer), 8);
}

// A flat grey 32 x 32 JPEG whose every coefficient is sent bit by bit, each
// in a scan of its own: a valid progression of 64 x 11 scans a component.
QByteArray ManyScanJpeg(J_COLOR_SPACE space, int nComponents)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    jpeg_mem_dest(&info, &pOut, &nOut);
    info.image_width = info.image_height = 32;
    info.input_components = nComponents;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    std::vector<jpeg_scan_info> vScans;
    for (int c = 0; c < nComponents; ++c)
        for (int k = 0; k < 64; ++k)
            for (int nAl = 10; nAl >= 0; --nAl)
                vScans.push_back({1, {c, 0, 0, 0}, k, k, nAl == 10 ? 0 : nAl + 1, nAl});
    info.scan_info = vScans.data();
    info.num_scans = int(vScans.size());
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> vRow(32 * std::size_t(nComponents), 128);
    for (JSAMPROW pRow = vRow.data(); info.next_scanline < 32;)
        jpeg_write_scanlines(&info, &pRow, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray jpeg(reinterpret_cast<const char*>(pOut), qsizetype(nOut));
    std::free(pOut);
    return jpeg;
}

// A white GIF through giflib, as other programs write them; Qt writes none.
QByteArray WhiteGif(int nSide)
{
    QByteArray gif;
    const auto append = [](GifFileType* p, const GifByteType* pData, int n) {
        static_cast<QByteArray*>(p->UserData)->append(reinterpret_cast<const char*>(pData), n);
        return n;
    };
    GifFileType* pGif = EGifOpen(&gif, append, nullptr);
    GifColorType vColors[2] = {{0, 0, 0}, {255, 255, 255}};
    const ColorMapObject map{2, 1, false, vColors}; // copied by giflib
    std::vector<GifPixelType> vRow(std::size_t(nSide), 1);
    EGifPutScreenDesc(pGif, nSide, nSide, 1, 0, &map);
    EGifPutImageDesc(pGif, 0, 0, nSide, nSide, false, nullptr);
    for (int y = 0; y < nSide; ++y)
        EGifPutLine(pGif, vRow.data(), nSide);
    EGifCloseFile(pGif, nullptr);
    return gif; // whether it is whole, the test checks by reading it
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

    // Refused with a reason rather than shown with a part blank, decoded at
    // any cost or drawn with other files in them; a FIFO is refused at once
    // (not left waiting for a writer), a file past the limit (sparse here)
    // without being read.
    void hostileOrIrregularFilesAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        const QByteArray gif = WhiteGif(300), bomb = SvgzBomb();
        QVERIFY(!Read(Write("white.gif", gif)).isNull());
        QFile huge(m_dir.filePath(QStringLiteral("huge.bmp")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(257) << 20));
        const QString strFifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(mkfifo(qPrintable(strFifo), 0600), 0);
        const QByteArray bmp = Encoded(Pattern(QImage::Format_RGB32), "BMP");
        QTest::newRow("bmp cut") << Write("cut.bmp", bmp.left(bmp.size() / 2)) << "cut short";
        QTest::newRow("gif cut") << Write("cut.gif", gif.left(gif.size() / 2)) << "cut short";
        QTest::newRow("svgz bomb") << Write("bomb.svgz", bomb) << "SVG";
        QTest::newRow("svgz unnamed") << Write("bomb", bomb) << "SVG";
        QTest::newRow("svg naming a file")
            << Write("pic.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'>"
                                "<image href='/usr/share/pixmaps/debian-logo.png'/></svg>")
            << "SVG";
        QTest::newRow("jpeg scans")
            << Write("scans.jpg", ManyScanJpeg(JCS_GRAYSCALE, 1)) << "500 scans";
        QTest::newRow("cmyk jpeg scans, left to Qt")
            << Write("cmyk.jpg", ManyScanJpeg(JCS_CMYK, 4)) << "500 scans";
        QTest::newRow("huge") << huge.fileName() << "256 MB";
        QTest::newRow("folder") << m_dir.path() << "folder";
        QTest::newRow("fifo") << strFifo << "not a regular file";
    }
    void hostileOrIrregularFilesAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QVERIFY(Read(path).isNull());
        QVERIFY2(m_strError.contains(reason), qPrintable(m_strError));
    }

    void svgIsNotOffered() { QVERIFY(!PictureFileFilter().contains(QLatin1String("svg"))); }

    // Another writer cuts the file short and writes it again, over and over,
    // while it is read: each read decodes or refuses, and nothing faults.
    void aFileCutShortWhileReadIsNoFault()
    {
        QImage noise(1500, 1000, QImage::Format_RGB32);
        auto* pPixel = reinterpret_cast<quint32*>(noise.bits());
        for (quint32 i = 0, n = 1; i < 1500 * 1000; ++i)
            pPixel[i] = 0xFF000000u | (n = n * 1664525u + 1013904223u) >> 8;
        for (const char* pszFormat : {"PNG", "JPEG"}) {
            const QByteArray bytes = Encoded(noise, pszFormat);
            const QString strPath = Write("changing", bytes);
            const std::jthread writer([&](std::stop_token stop) {
                const int fd = open(qPrintable(strPath), O_WRONLY);
                while (!stop.stop_requested() && ftruncate(fd, bytes.size() / 8) == 0 &&
                       pwrite(fd, bytes.constData(), std::size_t(bytes.size()), 0) > 0) {
                }
                close(fd);
            });
            for (int i = 0; i < 30; ++i)
                QVERIFY(!Read(strPath).isNull() || !m_strError.isEmpty());
        }
    }

    // The picture fuzzer's inputs: its first byte names the suffix, as in
    // tests/ui/fuzz/picture_reader_fuzz.cpp. Every seed is a picture; every
    // input it ever failed on is now read or refused with a reason.
    void fuzzSeedsDecodeAndFindingsStayFixed()
    {
        static const char* const kSuffixes[] = {"",    "jpg",  "png",  "bmp", "gif", "tga",
                                                "ico", "tiff", "webp", "ppm", "svg", "xpm"};
        const QString strDir = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/fuzz/pictures/");
        const QFileInfoList vSeeds = QDir(strDir + "seeds").entryInfoList(QDir::Files);
        QVERIFY(vSeeds.size() >= 5);
        for (const QFileInfo& info : vSeeds + QDir(strDir + "crashes").entryInfoList(QDir::Files)) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly) && file.size() > 0);
            const QByteArray bytes = file.readAll();
            QImage image;
            const bool bRead = ReadPictureData(
                bytes.mid(1), QLatin1String(kSuffixes[quint8(bytes[0]) % std::size(kSuffixes)]),
                &image, &m_strError);
            QVERIFY2(bRead || !vSeeds.contains(info), qPrintable(info.fileName()));
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
