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

// The file's bytes, read whole into memory of our own: a mapping would
// fault if another program cut the file short while it is decoded. Refuses
// what is no regular file (a FIFO, a folder) and a file over the limit.
constexpr qsizetype MAX_PICTURE_FILE = qsizetype(256) << 20;
bool ReadPictureBytes(const QString& strPath, QByteArray* pBytes, QString* pError);

// Why Qt's reader must not decode these bytes, or an empty string: a BMP
// shorter than its header declares, a GIF whose first picture ends early.
// Qt would show those with their missing part blank.
QString PictureDamage(const QByteArray& bytes);
QString PictureCutShort();

// The picture in the bytes, decoded as ReadPicture does; strSuffix, the
// file's, helps Qt name a format that has no signature.
bool ReadPictureData(const QByteArray& bytes, const QString& strSuffix, QImage* pImage,
                     QString* pError);

// The decoders refuse a progressive JPEG of more scans than this: each scan
// is a pass over the whole picture, and a few hundred kilobytes can hold
// thousands (picture_decode_libs.h holds the check).
constexpr int MAX_JPEG_SCANS = 500;
QString JpegScansRefusal();

// The file's bytes are whole in memory; the signature is already checked.
EDirectRead ReadJpegDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError);
EDirectRead ReadPngDirect(const uchar* pData, std::size_t nSize, QImage* pImage, QString* pError);
