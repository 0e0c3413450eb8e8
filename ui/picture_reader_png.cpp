// PNG through libpng, expanded to 8-bit RGBA as Qt's reader and its
// conversion would give it. libpng reports errors by a longjmp, so its calls
// sit in functions whose locals are plain data.
#include "ui/picture_decode_libs.h"
#include "ui/picture_reader_direct.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace {

struct SPngJob {
    png_structp png;
    png_infop info;
    const uchar* pData;
    std::size_t nSize;
    std::size_t nRead;
    png_uint_32 nWidth;
    png_uint_32 nHeight;
    int nBitDepth;
    int nColorType;
};

void PngReadData(png_structp png, png_bytep pOut, std::size_t nBytes)
{
    auto* pJob = static_cast<SPngJob*>(png_get_io_ptr(png));
    if (nBytes > pJob->nSize - pJob->nRead)
        png_error(png, "the file ends early");
    std::memcpy(pOut, pJob->pData + pJob->nRead, nBytes);
    pJob->nRead += nBytes;
}

void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool PngStart(SPngJob* pJob)
{
    pJob->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!pJob->png)
        return false;
    if (setjmp(png_jmpbuf(pJob->png)))
        return false;
    pJob->info = png_create_info_struct(pJob->png);
    if (!pJob->info)
        return false;
    png_set_read_fn(pJob->png, pJob, PngReadData);
    png_read_info(pJob->png, pJob->info);
    png_get_IHDR(pJob->png, pJob->info, &pJob->nWidth, &pJob->nHeight, &pJob->nBitDepth,
                 &pJob->nColorType, nullptr, nullptr, nullptr);
    return true;
}

bool PngDecode(SPngJob* pJob, uchar* pBits, std::size_t nStride)
{
    if (setjmp(png_jmpbuf(pJob->png)))
        return false;
    png_structp png = pJob->png;
    picture_libs::PngToRgba(png, pJob->info, pJob->nColorType, pJob->nBitDepth);
    const int nPasses = png_set_interlace_handling(png);
    png_read_update_info(png, pJob->info);
    if (png_get_rowbytes(png, pJob->info) != std::size_t(pJob->nWidth) * 4)
        return false;
    // An interlaced picture's later passes fill in the rows the earlier ones
    // left, in place.
    for (int nPass = 0; nPass < nPasses; ++nPass)
        for (png_uint_32 y = 0; y < pJob->nHeight; ++y)
            png_read_row(png, pBits + y * nStride, nullptr);
    return true;
}

} // namespace

EDirectRead ReadPngDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError)
{
    struct CJobGuard {
        SPngJob job{};
        ~CJobGuard() { png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr); }
    } guard;
    SPngJob* pJob = &guard.job;
    pJob->pData = pData;
    pJob->nSize = nSize;
    if (!PngStart(pJob))
        return EDirectRead::LeaveToQt;
    *pError = PictureSizeRefusal(pJob->nWidth, pJob->nHeight);
    if (!pError->isEmpty())
        return EDirectRead::Refused;
    QImage image = NewRgbaPicture(int(pJob->nWidth), int(pJob->nHeight));
    if (image.isNull()) {
        *pError = QStringLiteral("not enough memory to hold the picture");
        return EDirectRead::Refused;
    }
    if (!PngDecode(pJob, image.bits(), std::size_t(image.bytesPerLine())))
        return EDirectRead::LeaveToQt;
    *pImage = std::move(image);
    return EDirectRead::Decoded;
}
