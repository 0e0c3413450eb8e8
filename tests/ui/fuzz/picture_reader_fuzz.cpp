// libFuzzer target for the picture reader: the direct JPEG and PNG decoders,
// the checks for damaged BMP and GIF, and Qt's plugins for the rest. The
// first byte picks the file name's suffix Qt is given (some formats, TGA
// among them, have no signature); the rest is the file. Whatever is
// accepted must be a picture of the promised layout within the size limit.
// Built and run by scripts/run_fuzz.sh.
#include "ui/picture_reader_direct.h"

#include <QCoreApplication>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv)
{
    // Qt finds its image plugins through the application object.
    static QCoreApplication app(*pArgc, *pArgv);
    // Smaller than the program's limit, so each input stays quick.
    QImageReader::setAllocationLimit(32);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, std::size_t nSize)
{
    static const char* const kSuffixes[] = {"",    "jpg",  "png",  "bmp", "gif", "tga",
                                            "ico", "tiff", "webp", "ppm", "svg", "xpm"};
    if (nSize < 1)
        return 0;
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
