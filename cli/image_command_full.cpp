// The full path of `gwconvert image`: the picture decoded whole by the ui
// level's reader, any format Qt's plugins read, then converted.
#include "cli/image_command.h"
#include "cli/image_command_internal.h"

#include "ui/picture_frames.h"
#include "ui/picture_reader.h"

#include <QFile>
#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Standard error goes to /dev/null while it lives. The decoders print their
// own complaints (libpng straight to the stream); the reason reported is
// the reader's, in one line.
class CQuietStderr {
public:
    CQuietStderr()
    {
        std::fflush(stderr);
        m_fdSaved = dup(STDERR_FILENO);
        const int fdNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_fdSaved >= 0 && fdNull >= 0)
            dup2(fdNull, STDERR_FILENO);
        if (fdNull >= 0)
            close(fdNull);
    }
    ~CQuietStderr()
    {
        std::fflush(stderr);
        if (m_fdSaved >= 0) {
            dup2(m_fdSaved, STDERR_FILENO);
            close(m_fdSaved);
        }
    }
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_fdSaved = -1;
};

// Frames from Qt's readers: any format that has them (GIF, WebP).
std::string ConvertFrames(const CConvertArgs& args, COLORREF crText)
{
    CPictureFrames frames;
    QString strWhy;
    bool bOpened = false;
    {
        const CQuietStderr quiet;
        bOpened = frames.Open(QFile::decodeName(args.strInput.c_str()), &strWhy);
    }
    if (!bOpened)
        return "cannot read " + args.strInput + ": " + strWhy.toLocal8Bit().toStdString();
    QImage frame;
    return WriteFramesDrawing(args, crText, frames.Count(), [&](CPictureView* pFrame, std::string* pWhy) {
        int nDelayMs = 0;
        const CQuietStderr quiet;
        if (!frames.Next(&frame, &nDelayMs, &strWhy)) {
            *pWhy = "cannot read " + args.strInput + ": " + strWhy.toLocal8Bit().toStdString();
            return false;
        }
        *pFrame = {frame.constBits(), frame.width(), frame.height(), std::size_t(frame.bytesPerLine())};
        return true;
    });
}

} // namespace

std::string ConvertPictureFile(const CConvertArgs& args, COLORREF crText, COLORREF crBack)
{
    if (args.bFrames)
        return ConvertFrames(args, crText);
    QImage image;
    QString strWhy;
    bool bRead = false;
    {
        const CQuietStderr quiet;
        bRead = ReadPicture(QFile::decodeName(args.strInput.c_str()), &image, &strWhy);
    }
    if (!bRead)
        return "cannot read " + args.strInput + ": " + strWhy.toLocal8Bit().toStdString();

    CImageConvertParams params = args.image;
    params.crText = crText;
    CBlankCanvas canvas(params.nCellWidth, params.nCellHeight, crText);
    const CPictureView picture{image.constBits(), image.width(), image.height(),
                               std::size_t(image.bytesPerLine())};
    const int nRows = std::min(ConvertImage(picture, params, canvas), MAX_ROWS);
    if (nRows < 1)
        return TooShort(args, params, image.width(), image.height());
    image = QImage(); // the picture's memory is not needed for the writing
    return WriteConverted(args, params, canvas, nRows, crBack);
}
