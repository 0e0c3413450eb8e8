#include "cli/image_command.h"

#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_algorithms.h"
#include "core/gwp_writer.h"
#include "core/html_export.h"
#include "core/image_convert.h"
#include "core/safe_file.h"
#include "ui/picture_reader.h"

#include <QFile>
#include <QImage>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The cells of a new 80 x 128 drawing: spaces in the text colour, each at
// its place for the given cell size, as the editor lays a new canvas out.
class CBlankCanvas : public ICellWriter {
public:
    CBlankCanvas(int nCellWidth, int nCellHeight, COLORREF crText)
        : m_vCells(std::size_t(MAX_ROWS) * MAX_COLS)
    {
        for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i)
            m_vCells[std::size_t(i)] = CharCell{
                crText, (i % MAX_COLS) * nCellWidth, (i / MAX_COLS) * nCellHeight, ' ', {}};
    }

    int Cols() const override { return MAX_COLS; }
    int Rows() const override { return MAX_ROWS; }
    uint8_t GetChar(int nCol, int nRow) const override { return At(nCol, nRow).chChar; }
    COLORREF GetColor(int nCol, int nRow) const override { return At(nCol, nRow).crColor; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        CharCell& cell = m_vCells[Index(nCol, nRow)];
        cell.chChar = ch;
        cell.crColor = cr;
    }

    const std::vector<CharCell>& Cells() const { return m_vCells; }

    // The top-left nRows x nCols block, row by row, for the exports, which
    // take a whole grid.
    std::vector<CharCell> Corner(int nRows, int nCols) const
    {
        std::vector<CharCell> vCorner;
        vCorner.reserve(std::size_t(nRows) * std::size_t(nCols));
        for (int r = 0; r < nRows; ++r) {
            const auto itRow = m_vCells.begin() + std::ptrdiff_t(Index(0, r));
            vCorner.insert(vCorner.end(), itRow, itRow + nCols);
        }
        return vCorner;
    }

private:
    static std::size_t Index(int nCol, int nRow) { return std::size_t(nRow) * MAX_COLS + nCol; }
    const CharCell& At(int nCol, int nRow) const { return m_vCells[Index(nCol, nRow)]; }

    std::vector<CharCell> m_vCells;
};

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

std::string ConvertPictureFile(const CConvertArgs& args, COLORREF crText, COLORREF crBack)
{
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
    // The dialog would quietly write nothing; a script is better told.
    if (nRows < 1)
        return args.strInput + ": a picture of " + std::to_string(image.width()) + " x " +
               std::to_string(image.height()) +
               " pixels is too short for one row of characters at width " +
               std::to_string(params.nConvertWidth);
    image = QImage(); // the picture's memory is not needed for the writing

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
