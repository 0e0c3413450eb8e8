// File > Export: the current frame as a PNG picture, UTF-8 text or coloured
// terminal text, and every frame as an animated GIF. Each goes through the
// same safe save as the other exports.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/cell_geometry.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "core/html_export.h"
#include "core/terminal_export.h"
#include "res/app_strings.h"
#include "ui/file_dialogs.h"

namespace {

QString Local(const char* psz)
{
    return QString::fromLatin1(psz);
}

} // namespace

void CMainFrame::OnExportPng()
{
    const QString strPath = AskSavePath(this, Local(gw::IDS_FILTER_PNG), Local(gw::IDS_EXT_PNG), {});
    if (strPath.isEmpty())
        return;
    const int nZoom = AskExportZoom(this, m_pView->GetZoom(), CCellGeometry::ZOOM_MAX + 1);
    if (nZoom < 0)
        return;
    const COLORREF crBack = m_pView->GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        std::string strError;
        return WriteFramePng(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), nZoom, crBack, &strError);
    });
}

void CMainFrame::OnExportGif()
{
    const QString strPath = AskSavePath(this, Local(gw::IDS_FILTER_GIF), Local(gw::IDS_EXT_GIF), {});
    if (strPath.isEmpty())
        return;
    const int nZoom = AskExportZoom(this, m_pView->GetZoom(), CCellGeometry::ZOOM_MAX + 1);
    if (nZoom < 0)
        return;
    const COLORREF crBack = m_pView->GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        CDocFrameSource frames(m_doc);
        std::string strError;
        return ExportAnimatedGif(os, frames, nZoom, m_nFrameInterval, m_bPlayLoop != 0, crBack, &strError);
    });
}

void CMainFrame::OnExportUtf8()
{
    const QString strPath = AskSavePath(this, Local(gw::IDS_FILTER_TEXT), Local(gw::IDS_EXT_TEXT), {});
    if (strPath.isEmpty())
        return;
    StreamExport(strPath, [&](std::ostream& os) {
        ExportUtf8Text(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols());
        return true;
    });
}

void CMainFrame::OnExportAnsi()
{
    const QString strPath = AskSavePath(this, Local(gw::IDS_FILTER_ANSI), Local(gw::IDS_EXT_ANSI), {});
    if (strPath.isEmpty())
        return;
    const COLORREF crBack = m_pView->GetBackColor();
    StreamExport(strPath, [&](std::ostream& os) {
        ExportAnsiText(os, m_doc.GetCurCells(), m_doc.GetRows(), m_doc.GetCols(), crBack);
        return true;
    });
}
