// The full path of `gwconvert image`: the picture decoded whole by the ui
// level's reader, any format Qt's plugins read, then converted.
#include "cli/image_command.h"
#include "cli/image_command_internal.h"

#include "core/gwp_format.h"
#include "core/safe_file.h"
#include "ui/picture_frames.h"
#include "ui/picture_reader.h"

#include <QFile>
#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
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

void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

// The drawing goes straight to the file, a frame at a time, so no more than
// one decoded frame and one canvas of cells are held however long the
// animation. The count is the reader's, taken before the first frame; a
// frame that cannot be decoded abandons the whole file.
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
    const int nCount = frames.Count();
    if (nCount > GWP_MAX_FRAMES)
        return args.strInput + ": the picture has " + std::to_string(nCount) +
               " frames, more than the " + std::to_string(GWP_MAX_FRAMES) + " a drawing holds";

    CImageConvertParams params = args.image;
    params.crText = crText;
    std::string strWhyNot; // a frame's reason, which outranks the save's
    const auto write = [&](std::ostream& os) {
        std::string strHeader(GWP_MAGIC, 8);
        AppendLe32(strHeader, uint32_t(nCount));
        AppendLe32(strHeader, MAX_COLS);
        AppendLe32(strHeader, MAX_ROWS);
        os.write(strHeader.data(), std::streamsize(strHeader.size()));
        for (int i = 0; i < nCount && os; ++i) {
            QImage frame;
            int nDelayMs = 0;
            bool bRead = false;
            {
                const CQuietStderr quiet;
                bRead = frames.Next(&frame, &nDelayMs, &strWhy);
            }
            if (!bRead) {
                strWhyNot = "cannot read " + args.strInput + ": " + strWhy.toLocal8Bit().toStdString();
                return false;
            }
            CBlankCanvas canvas(params.nCellWidth, params.nCellHeight, crText);
            const CPictureView picture{frame.constBits(), frame.width(), frame.height(),
                                       std::size_t(frame.bytesPerLine())};
            if (ConvertImage(picture, params, canvas) < 1) {
                strWhyNot = TooShort(args, params, frame.width(), frame.height());
                return false;
            }
            os.write(reinterpret_cast<const char*>(canvas.Cells().data()),
                     std::streamsize(canvas.Cells().size() * sizeof(CharCell)));
        }
        return !os.fail();
    };
    std::string strError;
    if (SaveFileSafely(args.strOutput, write, &strError, ESaveWrites::Behind))
        return {};
    return strWhyNot.empty() ? "cannot write " + args.strOutput + ": " + strError : strWhyNot;
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
