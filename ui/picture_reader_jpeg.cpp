// JPEG through libjpeg-turbo, straight into RGBA. libjpeg reports errors by a
// longjmp out of its callbacks, so every call that can fail sits in a
// function whose locals are plain data, and nothing with a destructor is
// jumped over.
#include "ui/picture_decode_libs.h"
#include "ui/picture_reader_direct.h"
#include "ui/picture_reader_exif.h"

#include <QTransform>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

using picture_libs::SJpegErrors;
static_assert(MAX_JPEG_SCANS == picture_libs::MAX_JPEG_SCANS);

struct SJpegJob {
    jpeg_decompress_struct info;
    SJpegErrors errors;
    jpeg_progress_mgr progress;
};

bool JpegStart(SJpegJob* pJob, const uchar* pData, std::size_t nSize)
{
    picture_libs::JpegUseErrors(pJob->info, pJob->errors, pJob->progress);
    if (setjmp(pJob->errors.jump))
        return false;
    jpeg_create_decompress(&pJob->info);
    pJob->info.progress = &pJob->progress;
    jpeg_mem_src(&pJob->info, pData, static_cast<unsigned long>(nSize));
    jpeg_save_markers(&pJob->info, JPEG_APP0 + 1, 0xFFFF);
    return jpeg_read_header(&pJob->info, TRUE) == JPEG_HEADER_OK;
}

bool JpegDecode(SJpegJob* pJob, uchar* pBits, std::size_t nStride)
{
    if (setjmp(pJob->errors.jump))
        return false;
    j_decompress_ptr pInfo = &pJob->info;
    if (!picture_libs::JpegStartRgba(pInfo))
        return false;
    JSAMPROW vRows[16];
    while (pInfo->output_scanline < pInfo->output_height) {
        const JDIMENSION nRows =
            std::min<JDIMENSION>(16, pInfo->output_height - pInfo->output_scanline);
        for (JDIMENSION i = 0; i < nRows; ++i)
            vRows[i] = pBits + (pInfo->output_scanline + i) * nStride;
        if (jpeg_read_scanlines(pInfo, vRows, nRows) == 0)
            return false;
    }
    return true;
}

// Mirrored first, then turned, in the order QImageReader's autoTransform
// applies the EXIF orientations.
QImage OrientedPicture(const QImage& image, int nOrientation)
{
    const bool bMirror = nOrientation == 2 || nOrientation == 3 || nOrientation == 7;
    const bool bFlip = nOrientation == 3 || nOrientation == 4 || nOrientation == 5;
    QImage oriented = bMirror || bFlip ? image.mirrored(bMirror, bFlip) : image;
    if (nOrientation >= 5)
        oriented = oriented.transformed(QTransform().rotate(nOrientation == 8 ? 270 : 90));
    return oriented;
}

} // namespace

QString JpegScansRefusal()
{
    return QStringLiteral("the JPEG picture has more than %1 scans, too many to decode")
        .arg(MAX_JPEG_SCANS);
}

EDirectRead ReadJpegDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError)
{
    struct CJobGuard {
        SJpegJob job{};
        ~CJobGuard() { jpeg_destroy_decompress(&job.info); }
    } guard;
    SJpegJob* pJob = &guard.job;
    if (!JpegStart(pJob, pData, nSize))
        return EDirectRead::LeaveToQt;
    *pError = PictureSizeRefusal(pJob->info.image_width, pJob->info.image_height);
    if (!pError->isEmpty())
        return EDirectRead::Refused;
    const int nOrientation = ExifOrientation(pJob->info.marker_list);
    QImage image = NewRgbaPicture(int(pJob->info.image_width), int(pJob->info.image_height));
    if (image.isNull()) {
        *pError = QStringLiteral("not enough memory to hold the picture");
        return EDirectRead::Refused;
    }
    if (!JpegDecode(pJob, image.bits(), std::size_t(image.bytesPerLine()))) {
        if (!pJob->errors.bTooManyScans)
            return EDirectRead::LeaveToQt;
        // Qt's reader has no such limit: the picture goes no further.
        *pError = JpegScansRefusal();
        return EDirectRead::Refused;
    }
    // Qt would show the grey that stands in for the missing part.
    if (pJob->errors.bDataCutShort) {
        *pError = PictureCutShort();
        return EDirectRead::Refused;
    }
    *pImage = nOrientation == 1 ? std::move(image) : OrientedPicture(image, nOrientation);
    return EDirectRead::Decoded;
}
