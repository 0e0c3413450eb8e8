// libFuzzer target for the picture reader: the direct JPEG and PNG decoders,
// the checks for damaged BMP and GIF, and Qt's plugins for the rest. The
// first byte picks the file name's suffix Qt is given (some formats, TGA
// among them, have no signature); the rest is the file. Whatever is
// accepted must be a picture of the promised layout within the size limit.
// JPEG and PNG files also go through the converter's row stream (threads and
// all), whose rows, when it takes a file, must be the reader's pixels.
// Built and run by scripts/run_fuzz.sh.
#include "ui/picture_reader_direct.h"
#include "ui/picture_stream.h"

#include <QCoreApplication>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv)
{
    // Qt finds its image plugins through the application object.
    static QCoreApplication app(*pArgc, *pArgv);
    // Smaller than the program's limit, so each input stays quick.
    QImageReader::setAllocationLimit(32);
    return 0;
}

namespace {

void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "%s\n", pszWhat);
    std::abort();
}

// The bytes as a file, streamed; if the stream takes them, the reader must
// give the same pixels.
void CheckStream(const uint8_t* pData, std::size_t nSize)
{
    const bool bJpeg = nSize >= 3 && std::memcmp(pData, "\xFF\xD8\xFF", 3) == 0;
    const bool bPng = nSize >= 8 && std::memcmp(pData, "\x89PNG\r\n\x1a\n", 8) == 0;
    if (!bJpeg && !bPng)
        return;
    static const std::string strPath = "/tmp/gw-stream-fuzz-" + std::to_string(getpid());
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile || std::fwrite(pData, 1, nSize, pFile) != nSize || std::fclose(pFile) != 0)
        Fail("cannot write the scratch file");
    int nWidth = 0, nHeight = 0;
    std::vector<uint8_t> vPixels;
    const CPictureRowSink sink{[&](int w, int h) {
                                   nWidth = w;
                                   nHeight = h;
                               },
                               [&](const uint8_t* pRow) {
                                   vPixels.insert(vPixels.end(), pRow, pRow + std::size_t(nWidth) * 4);
                               }};
    const bool bStreamed = StreamPictureFile(strPath, sink);
    unlink(strPath.c_str());
    if (!bStreamed)
        return;
    QImage image;
    QString strError;
    if (!ReadPictureData(QByteArray(reinterpret_cast<const char*>(pData), qsizetype(nSize)),
                         QString::fromLatin1(bJpeg ? "jpg" : "png"), &image, &strError))
        Fail("streamed a picture the reader refuses");
    if (image.width() != nWidth || image.height() != nHeight ||
        vPixels.size() != std::size_t(nWidth) * std::size_t(nHeight) * 4)
        Fail("streamed rows of another size");
    for (int y = 0; y < nHeight; ++y)
        if (std::memcmp(image.constScanLine(y), &vPixels[std::size_t(y) * std::size_t(nWidth) * 4],
                        std::size_t(nWidth) * 4) != 0)
            Fail("streamed pixels differ from the reader's");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, std::size_t nSize)
{
    static const char* const kSuffixes[] = {"",    "jpg",  "png",  "bmp", "gif", "tga",
                                            "ico", "tiff", "webp", "ppm", "svg", "xpm"};
    if (nSize < 1)
        return 0;
    CheckStream(pData + 1, nSize - 1);
    const QString strSuffix = QString::fromLatin1(kSuffixes[pData[0] % std::size(kSuffixes)]);
    const QByteArray bytes(reinterpret_cast<const char*>(pData + 1), qsizetype(nSize - 1));
    QImage image;
    QString strError;
    if (!ReadPictureData(bytes, strSuffix, &image, &strError)) {
        if (strError.isEmpty()) {
            std::fprintf(stderr, "picture refused without a reason\n");
            std::abort();
        }
        return 0;
    }
    if (image.format() != QImage::Format_RGBA8888 || image.width() < 1 || image.height() < 1 ||
        !PictureSizeRefusal(image.width(), image.height()).isEmpty()) {
        std::fprintf(stderr, "accepted picture of %d x %d, format %d\n", image.width(),
                     image.height(), int(image.format()));
        std::abort();
    }
    return 0;
}
