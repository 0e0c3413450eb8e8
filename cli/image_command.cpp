#include "cli/image_command.h"
#include "cli/image_command_internal.h"

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_algorithms.h"
#include "core/gwp_writer.h"
#include "core/html_export.h"
#include "core/image_convert.h"
#include "core/safe_file.h"
#include "ui/picture_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <cstdio>
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

} // namespace

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
    CImageConvertParams params = args.image;
    params.crText = crText;
    CBlankCanvas canvas(params.nCellWidth, params.nCellHeight, crText);
    std::optional<CRowConverter> converter;
    int nWidth = 0, nHeight = 0;
    const CPictureRowSink sink{
        [&](int nW, int nH) {
            nWidth = nW, nHeight = nH;
            converter.emplace(nW, nH, params, canvas);
        },
        [&](const uint8_t* pRow) { converter->AddRow(pRow); }};
    if (!StreamPictureFile(args.strInput, sink) || !converter)
        return std::nullopt;
    const int nRows = std::min(converter->OutputRows(), MAX_ROWS);
    if (nRows < 1)
        return TooShort(args, params, nWidth, nHeight);
    return WriteConverted(args, params, canvas, nRows, crBack);
}

