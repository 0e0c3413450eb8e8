// The picture reader's own decoders for the two formats nearly every picture
// comes in: libjpeg-turbo and libpng straight into 8-bit RGBA, twice as fast
// as going through Qt's image plugins and a format conversion. Anything they
// do not handle is left to QImageReader. Private to picture_reader.cpp.
#pragma once

#include <QImage>
#include <QString>

#include <cstddef>

enum class EDirectRead {
    Decoded,  // the picture is in the image
    Refused,  // not to be shown, for the reason in the error
    LeaveToQt // a variant this decoder does not take, or an error Qt words
};

// The reason a picture of that size is not decoded (no pixels, or more than
// QImageReader::allocationLimit() as 32-bit pixels), or an empty string.
QString PictureSizeRefusal(qint64 nWidth, qint64 nHeight);

// An 8-bit RGBA picture of that size for a decoder to fill, a null image when
// there is not the memory for it. A large one sits on huge pages where the
// system gives them: a 12-megapixel picture's 48 MB otherwise costs some
// twelve thousand page faults, a fifth of the JPEG decode.
QImage NewRgbaPicture(int nWidth, int nHeight);

// The file's bytes are whole in memory; the signature is already checked.
EDirectRead ReadJpegDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError);
EDirectRead ReadPngDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError);
