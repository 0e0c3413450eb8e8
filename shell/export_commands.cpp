#include "shell/export_commands.h"

#include "canvas/art_view.h"
#include "canvas/cell_geometry.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "core/html_export.h"
#include "core/terminal_export.h"
#include "res/app_strings.h"
#include "shell/shell_settings.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"

#include <QDir>

#include <ostream>

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
        GwMessageBox(m_pParent, QStringLiteral("The file %1 was not written: %2")
                                    .arg(QDir::toNativeSeparators(strPath), QString::fromStdString(strError)));
        return false;
    }
    return true;
}

void CExportCommands::OnSaveAnimationHtml()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_HTML), Local(gw::IDS_EXT_HTML), {});
    if (strPath.isEmpty()) {
        return;
    }
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        return ExportAnimationHtml(os, m_doc, m_settings.m_nFrameInterval, crBack);
    });
}

void CExportCommands::OnSaveSingleHtml()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_HTML), Local(gw::IDS_EXT_HTML), {});
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
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_TEXT), Local(gw::IDS_EXT_TEXT), {});
    if (strPath.isEmpty()) {
        return;
    }
    StreamExport(strPath, [&](std::ostream& os) {
        ExportSingleText(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols());
        return true;
    });
}

void CExportCommands::OnExportPng()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_PNG), Local(gw::IDS_EXT_PNG), {});
    if (strPath.isEmpty())
        return;
    const int nZoom = AskExportZoom(m_pParent, m_view.GetZoom(), CCellGeometry::ZOOM_MAX + 1);
    if (nZoom < 0)
        return;
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        std::string strError;
        return WriteFramePng(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), nZoom, crBack, &strError);
    });
}

void CExportCommands::OnExportGif()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_GIF), Local(gw::IDS_EXT_GIF), {});
    if (strPath.isEmpty())
        return;
    const int nZoom = AskExportZoom(m_pParent, m_view.GetZoom(), CCellGeometry::ZOOM_MAX + 1);
    if (nZoom < 0)
        return;
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        CDocFrameSource frames(m_doc);
        std::string strError;
        return ExportAnimatedGif(os, frames, nZoom, m_settings.m_nFrameInterval, m_settings.m_bPlayLoop != 0,
                                 crBack, &strError);
    });
}

void CExportCommands::OnExportUtf8()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_TEXT), Local(gw::IDS_EXT_TEXT), {});
    if (strPath.isEmpty())
        return;
    StreamExport(strPath, [&](std::ostream& os) {
        ExportUtf8Text(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols());
        return true;
    });
}

void CExportCommands::OnExportAnsi()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_ANSI), Local(gw::IDS_EXT_ANSI), {});
    if (strPath.isEmpty())
        return;
    const COLORREF crBack = m_view.GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        ExportAnsiText(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), crBack);
        return true;
    });
}
