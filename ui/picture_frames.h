// The frames of an animated picture (GIF, WebP, and whatever else Qt's
// image plugins read frames of here), one at a time, for the image
// conversion of every frame: each frame comes composed over the ones before
// as the picture's own rules say (Qt's readers apply the GIF disposal
// methods), in 8-bit RGBA, and only that one frame is held.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

class QImageReader;

class CPictureFrames {
public:
    CPictureFrames();
    ~CPictureFrames();
    CPictureFrames(const CPictureFrames&) = delete;
    CPictureFrames& operator=(const CPictureFrames&) = delete;

    // Reads the file and counts its frames; false with a reason a user can
    // read (as ReadPicture words them) when it is no picture to convert.
    bool Open(const QString& strPath, QString* pError);
    // The frames the picture holds: 1 for a still picture.
    int Count() const { return m_nCount; }
    // The next frame, and how long it shows in milliseconds (0 when the
    // picture does not say); false with a reason when it cannot be decoded
    // or every frame was read.
    bool Next(QImage* pFrame, int* pnDelayMs, QString* pError);

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
    std::unique_ptr<QImageReader> m_pReader;
    int m_nCount = 0;
    int m_nRead = 0;
};
