#include "cli/image_command.h"
#include "cli/image_command_internal.h"

#include "cli/gif_frames.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_algorithms.h"
#include "core/gwp_format.h"
#include "core/gwp_writer.h"
#include "core/html_export.h"
#include "core/image_convert.h"
#include "core/safe_file.h"
#include "ui/picture_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A one-frame drawing saved the editor's way: the frame's store gets the
// cells in one sealed write, so there is nothing to undo and no page faults.
bool SaveDrawing(const std::string& strPath, const std::vector<CharCell>& vCells,
                 std::string* pError)
{
    CArtDoc doc;
    doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
    if (!doc.OnNewDocument() || !doc.GetCurCells() ||
        !BackupSucceeded(BackupWriteSealed(unsigned(doc.GetCurHistory()), doc.GetCurCells(),
                                           vCells.data(), vCells.size() * sizeof(CharCell)))) {
        *pError = "cannot set up the drawing in memory";
        return false;
    }
    doc.RegisterFrame();
    return GwpSaveDocument(doc, strPath, pError);
}

void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

// A GIF's frames through giflib, without Qt's GUI library; nothing for any
// other file, which Qt's readers take (and word the refusal of).
std::optional<std::string> ConvertGifFrames(const CConvertArgs& args, COLORREF crText)
{
    constexpr off_t MAX_FILE = off_t(256) << 20; // as for every picture
    const int fd = open(args.strInput.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    char vSignature[6] = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MAX_FILE ||
        pread(fd, vSignature, 6, 0) != 6 ||
        (std::memcmp(vSignature, "GIF87a", 6) != 0 && std::memcmp(vSignature, "GIF89a", 6) != 0)) {
        close(fd);
        return std::nullopt;
    }
    CGifFrames frames;
    std::string strWhy;
    if (!frames.Open(fd, &strWhy))
        return "cannot read " + args.strInput + ": " + strWhy;
    return WriteFramesDrawing(args, crText, frames.Count(), [&](CPictureView* pFrame, std::string* pWhy) {
        if (!frames.Next(&strWhy)) {
            *pWhy = "cannot read " + args.strInput + ": " + strWhy;
            return false;
        }
        *pFrame = {frames.Pixels(), frames.Width(), frames.Height(), std::size_t(frames.Width()) * 4};
        return true;
    });
}

} // namespace

std::string WriteFramesDrawing(const CConvertArgs& args, COLORREF crText, int nFrames,
                               const FrameSource& fnNext)
{
    if (nFrames > GWP_MAX_FRAMES)
        return args.strInput + ": the picture has " + std::to_string(nFrames) +
               " frames, more than the " + std::to_string(GWP_MAX_FRAMES) + " a drawing holds";
    CImageConvertParams params = args.image;
    params.crText = crText;
    // Frames of one size write the same cells, every one of them each time:
    // the canvas is laid out afresh only when the size changes.
    const CBlankCanvas blank(params.nCellWidth, params.nCellHeight, crText);
    CBlankCanvas canvas = blank;
    int nLastWidth = -1, nLastHeight = -1;
    std::string strWhyNot; // a frame's reason, which outranks the save's
    const auto write = [&](std::ostream& os) {
        std::string strHeader(GWP_MAGIC, 8);
        AppendLe32(strHeader, uint32_t(nFrames));
        AppendLe32(strHeader, MAX_COLS);
        AppendLe32(strHeader, MAX_ROWS);
        os.write(strHeader.data(), std::streamsize(strHeader.size()));
        for (int i = 0; i < nFrames && os; ++i) {
            CPictureView frame;
            if (!fnNext(&frame, &strWhyNot))
                return false;
            if (frame.nWidth != nLastWidth || frame.nHeight != nLastHeight)
                canvas = blank;
            nLastWidth = frame.nWidth, nLastHeight = frame.nHeight;
            if (ConvertImage(frame, params, canvas) < 1) {
                strWhyNot = TooShort(args, params, frame.nWidth, frame.nHeight);
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

// The converted cells written as args asks: a drawing, text or a page.
std::string WriteConverted(const CConvertArgs& args, const CImageConvertParams& params,
                           const CBlankCanvas& canvas, int nRows, COLORREF crBack)
{
    std::string strError;
    bool bSaved = false;
    if (args.imageOutput == EImageOutput::Gwp) {
        bSaved = SaveDrawing(args.strOutput, canvas.Cells(), &strError);
    } else {
        // Only the converted rows and columns, as the exports of a drawing
        // that size would write them.
        const int nCols = std::min(params.nConvertWidth, MAX_COLS);
        const std::vector<CharCell> vCorner = canvas.Corner(nRows, nCols);
        const bool bText = args.imageOutput == EImageOutput::Text;
        bSaved = SaveFileSafely(
            args.strOutput,
            [&](std::ostream& os) {
                if (bText)
                    ExportSingleText(os, vCorner.data(), nRows, nCols);
                else
                    ExportSingleHtml(os, vCorner.data(), nRows, nCols, crBack);
                return true;
            },
            &strError);
    }
    if (!bSaved)
        return "cannot write " + args.strOutput + ": " + strError;
    return {};
}

// The dialog would quietly write nothing; a script is better told.
std::string TooShort(const CConvertArgs& args, const CImageConvertParams& params, int nWidth,
                     int nHeight)
{
    return args.strInput + ": a picture of " + std::to_string(nWidth) + " x " +
           std::to_string(nHeight) + " pixels is too short for one row of characters at width " +
           std::to_string(params.nConvertWidth);
}

std::optional<std::string> ConvertPictureStreamed(const CConvertArgs& args, COLORREF crText,
                                                  COLORREF crBack)
{
    if (args.bFrames)
        return ConvertGifFrames(args, crText);
    CImageConvertParams params = args.image;
    params.crText = crText;
    CBlankCanvas canvas(params.nCellWidth, params.nCellHeight, crText);
    std::optional<CRowConverter> converter;
    int nWidth = 0, nHeight = 0;
    const CPictureRowSink sink{
        [&](int nW, int nH) {
            nWidth = nW, nHeight = nH;
            converter.emplace(nW, nH, params, canvas);
            // Text shows the characters alone.
            if (args.imageOutput == EImageOutput::Text)
                converter->CharactersOnly();
        },
        [&](const uint8_t* pRow) { converter->AddRow(pRow); }};
    if (!StreamPictureFile(args.strInput, sink) || !converter)
        return std::nullopt;
    const int nRows = std::min(converter->OutputRows(), MAX_ROWS);
    if (nRows < 1)
        return TooShort(args, params, nWidth, nHeight);
    return WriteConverted(args, params, canvas, nRows, crBack);
}

