#include "shell/export_commands.h"

#include "canvas/art_view.h"
#include "canvas/cell_geometry.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "core/cast_export.h"
#include "core/frame_snapshot.h"
#include "core/html_export.h"
#include "core/svg_export.h"
#include "core/terminal_export.h"
#include "res/app_strings.h"
#include "shell/shell_settings.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"

#include <QDir>
#include <QFontMetrics>

#include <new>
#include <ostream>
#include <vector>

namespace {

QString Local(const char* psz)
{
    return QString::fromLatin1(psz);
}

} // namespace

CExportCommands::CExportCommands(CArtDoc& doc, CArtView& view, const SShellSettings& settings,
                                 QWidget* pParent)
    : m_doc(doc), m_view(view), m_settings(settings), m_pParent(pParent)
{
}

// An export streams into a temporary file that then replaces the old one in
// one step, so a failure never leaves a half-written page in its place, and
// no page is ever held whole in memory. It shows what the canvas shows, so
// what is pending is settled first, once the file dialogs are done.
bool CExportCommands::StreamExport(const QString& strPath, const SaveWriter& write)
{
    m_view.EndPendingEdit();
    std::string strError;
    if (!SaveFileSafely(strPath.toStdString(), write, &strError)) {
        ReportFailure(strPath, QString::fromStdString(strError));
        return false;
    }
    return true;
}

CExportCommands::~CExportCommands()
{
    for (SRunning& run : m_vJobs)
        run.pJob.reset(); // cancels and waits, before the snapshot goes
}

void CExportCommands::ReportFailure(const QString& strPath, const QString& strError)
{
    GwMessageBox(m_pParent, QStringLiteral("The file %1 was not written: %2")
                                .arg(QDir::toNativeSeparators(strPath), strError));
}

std::unique_ptr<CFrameSnapshot> CExportCommands::TakeFrames(const QString& strPath)
{
    m_view.EndPendingEdit();
    std::unique_ptr<CFrameSnapshot> pSnap;
    try {
        pSnap = CFrameSnapshot::Take(m_doc, {}, true);
    } catch (const std::bad_alloc&) {
        ReportFailure(strPath, QStringLiteral("not enough memory"));
        return nullptr;
    }
    if (!pSnap)
        ReportFailure(strPath, QStringLiteral("an edit is in progress"));
    return pSnap;
}

void CExportCommands::StartExport(const QString& strPath, int nSteps,
                                  std::unique_ptr<CFrameSnapshot> pSnap, CExportJob::Work work)
{
    const QString strLabel =
        QStringLiteral("Exporting %1...").arg(QDir::toNativeSeparators(strPath));
    auto pJob = std::make_unique<CExportJob>(m_pParent, strLabel, strPath.toStdString(), nSteps,
                                             std::move(work));
    CExportJob* pRaw = pJob.get();
    QObject::connect(pRaw, &CExportJob::Finished, pRaw,
                     [this, pRaw, strPath](bool bOk, bool bCancelled, const QString& strError) {
                         OnJobFinished(pRaw, strPath, bOk, bCancelled, strError);
                     });
    m_vJobs.push_back({std::move(pJob), std::move(pSnap)});
}

void CExportCommands::OnJobFinished(CExportJob* pJob, const QString& strPath, bool bOk,
                                    bool bCancelled, const QString& strError)
{
    // The job is deleted once its signal has returned.
    QMetaObject::invokeMethod(
        &m_context,
        [this, pJob] {
            std::erase_if(m_vJobs, [pJob](const SRunning& run) { return run.pJob.get() == pJob; });
        },
        Qt::QueuedConnection);
    if (!bOk && !bCancelled)
        ReportFailure(strPath, strError);
}

void CExportCommands::OnSaveAnimationHtml()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_HTML), Local(gw::IDS_EXT_HTML), {});
    if (strPath.isEmpty()) {
        return;
    }
    std::unique_ptr<CFrameSnapshot> pSnap = TakeFrames(strPath);
    if (!pSnap)
        return;
    CFrameSnapshot* pFrames = pSnap.get();
    const int nSteps = static_cast<int>(pFrames->FrameCount());
    StartExport(strPath, nSteps, std::move(pSnap),
                [pFrames, nRows = m_doc.GetRows(), nCols = m_doc.GetCols(),
                 nInterval = m_settings.m_nFrameInterval, crBack = m_view.GetBackColor()](
                    std::ostream& os, CExportSteps& steps, std::string* pError) {
                    CSnapshotFrameSource frames(*pFrames, nRows, nCols,
                                                [&steps] { return steps.Step(); });
                    if (ExportAnimationHtml(os, frames, nInterval, crBack))
                        return true;
                    *pError = "a frame could not be read";
                    return false;
                });
}

void CExportCommands::OnSaveSingleHtml()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_HTML), Local(gw::IDS_EXT_HTML), {});
    if (strPath.isEmpty()) {
        return;
    }
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        ExportSingleHtml(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), crBack);
        return true;
    });
}

void CExportCommands::OnSaveSingleText()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_TEXT), Local(gw::IDS_EXT_TEXT), {});
    if (strPath.isEmpty()) {
        return;
    }
    StreamExport(strPath, [&](std::ostream& os) {
        ExportSingleText(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols());
        return true;
    });
}

bool CExportCommands::AskPictureTarget(const char* pszFilterId, const char* pszExtId,
                                       QString* pPath, int* pZoom)
{
    *pPath = AskSavePath(m_pParent, Local(pszFilterId), Local(pszExtId), {});
    if (pPath->isEmpty())
        return false;
    *pZoom = AskExportZoom(m_pParent, m_view.GetZoom(), CCellGeometry::ZOOM_MAX + 1);
    return *pZoom >= 0;
}

void CExportCommands::OnExportPng()
{
    QString strPath;
    int nZoom = 0;
    if (!AskPictureTarget(gw::IDS_FILTER_PNG, gw::IDS_EXT_PNG, &strPath, &nZoom))
        return;
    m_view.EndPendingEdit();
    // One frame: its cells are copied, as a snapshot of it.
    std::vector<CharCell> vCells(m_doc.GetCurCells(), m_doc.GetCurCells() + m_doc.GetCellCount());
    StartExport(strPath, 1, nullptr,
                [vCells = std::move(vCells), nRows = m_doc.GetRows(), nCols = m_doc.GetCols(),
                 nZoom, crBack = m_view.GetBackColor()](std::ostream& os, CExportSteps& steps,
                                                        std::string* pError) {
                    return steps.Step() &&
                           WriteFramePng(os, vCells.data(), nRows, nCols, nZoom, crBack, pError);
                });
}

void CExportCommands::OnExportGif()
{
    QString strPath;
    int nZoom = 0;
    if (!AskPictureTarget(gw::IDS_FILTER_GIF, gw::IDS_EXT_GIF, &strPath, &nZoom))
        return;
    std::unique_ptr<CFrameSnapshot> pSnap = TakeFrames(strPath);
    if (!pSnap)
        return;
    CFrameSnapshot* pFrames = pSnap.get();
    // The frames are read twice: for their colours, then to draw them.
    const int nSteps = 2 * static_cast<int>(pFrames->FrameCount());
    StartExport(strPath, nSteps, std::move(pSnap),
                [pFrames, nRows = m_doc.GetRows(), nCols = m_doc.GetCols(), nZoom,
                 nInterval = m_settings.m_nFrameInterval, bLoop = m_settings.m_bPlayLoop != 0,
                 crBack = m_view.GetBackColor()](std::ostream& os, CExportSteps& steps,
                                                 std::string* pError) {
                    CSnapshotFrameSource frames(*pFrames, nRows, nCols,
                                                [&steps] { return steps.Step(); });
                    return ExportAnimatedGif(os, frames, nZoom, nInterval, bLoop, crBack, pError);
                });
}

void CExportCommands::OnExportUtf8()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_TEXT), Local(gw::IDS_EXT_TEXT), {});
    if (strPath.isEmpty())
        return;
    StreamExport(strPath, [&](std::ostream& os) {
        ExportUtf8Text(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols());
        return true;
    });
}

void CExportCommands::OnExportAnsi()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_ANSI), Local(gw::IDS_EXT_ANSI), {});
    if (strPath.isEmpty())
        return;
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        ExportAnsiText(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), crBack);
        return true;
    });
}

// The rows are laid out in the cells of the chosen zoom as the canvas's font
// measures them, so the picture has the PNG's size.
void CExportCommands::OnExportSvg()
{
    QString strPath;
    int nZoom = 0;
    if (!AskPictureTarget(gw::IDS_FILTER_SVG, gw::IDS_EXT_SVG, &strPath, &nZoom))
        return;
    CCellGeometry geom;
    geom.SetZoom(nZoom);
    geom.MeasureFont();
    const QFont font = CCellGeometry::ZoomFont(nZoom);
    SSvgParams params;
    params.layout = {geom.CellWidth(), geom.CellHeight(), font.pixelSize(),
                     QFontMetrics(font).ascent()};
    params.nIntervalTenths = m_settings.m_nFrameInterval;
    params.bLoop = m_settings.m_bPlayLoop != 0;
    params.crBack = m_view.GetBackColor();
    StartFramesExport(strPath, [params](std::ostream& os, IAnimFrameSource& frames) {
        return ExportAnimatedSvg(os, frames, params);
    });
}

void CExportCommands::OnExportCast()
{
    const QString strPath =
        AskSavePath(m_pParent, Local(gw::IDS_FILTER_CAST), Local(gw::IDS_EXT_CAST), {});
    if (strPath.isEmpty())
        return;
    const SCastParams params{m_settings.m_nFrameInterval, m_view.GetBackColor(), m_doc.GetTitle()};
    StartFramesExport(strPath, [params](std::ostream& os, IAnimFrameSource& frames) {
        return ExportCast(os, frames, params);
    });
}

void CExportCommands::StartFramesExport(
    const QString& strPath, std::function<bool(std::ostream&, IAnimFrameSource&)> fnWrite)
{
    std::unique_ptr<CFrameSnapshot> pSnap = TakeFrames(strPath);
    if (!pSnap)
        return;
    CFrameSnapshot* pFrames = pSnap.get();
    const int nSteps = static_cast<int>(pFrames->FrameCount());
    StartExport(
        strPath, nSteps, std::move(pSnap),
        [pFrames, nRows = m_doc.GetRows(), nCols = m_doc.GetCols(),
         fnWrite = std::move(fnWrite)](std::ostream& os, CExportSteps& steps, std::string* pError) {
            CSnapshotFrameSource frames(*pFrames, nRows, nCols, [&steps] { return steps.Step(); });
            if (fnWrite(os, frames))
                return true;
            *pError = "a frame could not be read";
            return false;
        });
}
