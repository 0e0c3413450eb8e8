// Tool choice, the view and pane commands, the settings dialog, the
// imports, the help page, the About box and the rulers' mirror axes.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/ruler_view.h"
#include "canvas/tool_codes.h"
#include "core/backup_store.h"
#include "import/figfont_dlg.h"
#include "import/image_convert_dlg.h"
#include "import/symbol_lib_dlg.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "shell/about_dlg.h"
#include "shell/autosave.h"
#include "shell/mirror_commands.h"
#include "shell/settings_dlg.h"
#include "ui/app_folders.h"

#include <QDesktopServices>
#include <QDockWidget>
#include <QUrl>

void CMainFrame::ChooseTool(int nTool)
{
    m_nCurTool = nTool;
    m_pView->OnToolChanged();
}

void CMainFrame::OnToolCursor() { ChooseTool(TOOL_CURSOR); }
void CMainFrame::OnToolSelect() { ChooseTool(m_nSelectMode); }
// The caret starts blinking in the view when it sees the typing tool chosen.
void CMainFrame::OnToolType() { ChooseTool(TOOL_TYPE); }
void CMainFrame::OnToolFreehand()
{
    m_pView->Drawing().SetBrushWidth(m_nFreehandTool - TOOL_FREEHAND_1 + 1);
    ChooseTool(m_nFreehandTool);
}
void CMainFrame::OnToolLine() { ChooseTool(TOOL_LINE); }
void CMainFrame::OnToolCurve() { ChooseTool(TOOL_CURVE); }
void CMainFrame::OnToolRectangle() { ChooseTool(TOOL_RECTANGLE); }
void CMainFrame::OnToolEllipse() { ChooseTool(TOOL_ELLIPSE); }
void CMainFrame::OnToolFill() { ChooseTool(TOOL_FILL); }
void CMainFrame::OnToolPick() { ChooseTool(TOOL_PICK); }
void CMainFrame::OnToolErase() { ChooseTool(TOOL_ERASE); }

void CMainFrame::OnPaletteEntry(int nCommand, int nValue)
{
    if (nCommand == gw::ID_TOOL_SELECT) {
        m_nSelectMode = nValue;
    } else {
        m_nFreehandTool = nValue;
        m_pView->Drawing().SetBrushWidth(nValue - TOOL_FREEHAND_1 + 1);
    }
    ChooseTool(nValue);
}

void CMainFrame::OnAutoDraw()
{
    m_pView->Drawing().SetAutoDraw(!m_pView->Drawing().IsAutoDraw());
}
void CMainFrame::OnShowGrid() { m_pView->ToggleGrid(); }
void CMainFrame::OnOnionSkin()
{
    m_pView->SetOnionShown(!m_pView->IsOnionShown());
    m_settings.m_bOnionShown = m_pView->IsOnionShown() ? 1 : 0;
}

void CMainFrame::OnZoomIn()
{
    m_pView->ZoomIn();
}
void CMainFrame::OnZoomOut()
{
    m_pView->ZoomOut();
}

// F6 and Shift+F6 walk the focus through the canvas and the shown panes.
void CMainFrame::OnNextPane() { focusNextChild(); }
void CMainFrame::OnPrevPane() { focusPreviousChild(); }

void CMainFrame::OnSettings()
{
    CSettingsDlg dlg(this);
    dlg.m_nInterval = static_cast<unsigned>(m_settings.m_nFrameInterval);
    dlg.m_nUndoSteps = g_nUndoRedoStep;
    dlg.m_bLoop = m_settings.m_bPlayLoop;
    dlg.m_nAutosaveSecs = m_settings.m_nAutosaveSecs;
    dlg.m_nOnionBefore = m_settings.m_onion.nBefore;
    dlg.m_nOnionAfter = m_settings.m_onion.nAfter;
    dlg.m_crOnionBefore = m_settings.m_onion.crBefore;
    dlg.m_crOnionAfter = m_settings.m_onion.crAfter;
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_settings.m_nFrameInterval = static_cast<int>(dlg.m_nInterval);
    g_nUndoRedoStep = dlg.m_nUndoSteps;
    m_settings.m_bPlayLoop = dlg.m_bLoop;
    m_settings.m_nAutosaveSecs = dlg.m_nAutosaveSecs;
    m_pAutosave->SetInterval(m_settings.m_nAutosaveSecs);
    m_settings.m_onion = SOnionSettings{dlg.m_nOnionBefore, dlg.m_nOnionAfter, dlg.m_crOnionBefore,
                                        dlg.m_crOnionAfter}.Clamped();
    m_pView->SetOnionSettings(m_settings.m_onion);
    // At once, not only at exit: a crash must not lose them.
    m_settings.Write();
}

void CMainFrame::OnImageConvert()
{
    // The conversion is an edit step of its own: a floating block or a
    // pending shape is settled first.
    CommitPendingEdits();
    CImageConvertDlg dlg(m_pView, this);
    // "All frames" adds each frame after the one just converted, whose
    // thumbnail is renewed first.
    dlg.SetFrameHooks({[this] { return MAX_FRAME_KEY + 1 - m_doc.GetNextFrameKey(); },
                       [this] {
                           RefreshFrameThumbnail();
                           return m_pFrames->InsertFrameAfterCurrent();
                       }});
    if (dlg.exec() == QDialog::Accepted) {
        m_pView->Refresh(CArtView::REFRESH_ALL);
        RefreshFrameThumbnail();
        if (dlg.m_nNewInterval > 0) {
            m_settings.m_nFrameInterval = dlg.m_nNewInterval;
            m_settings.Write();
        }
    }
    UpdateCommandUI();
}
void CMainFrame::OnFigletFont()
{
    CFigfontDlg dlg(this);
    if (dlg.exec() == QDialog::Accepted)
        m_pView->PlaceTextBlock(dlg.PreviewText());
    UpdateCommandUI();
}

void CMainFrame::OnSymbolLib()
{
    CSymbolLibDlg dlg(this);
    if (dlg.exec() == QDialog::Accepted)
        m_pView->PlaceTextBlock(dlg.PreviewText());
    UpdateCommandUI();
}

// A missing help page is the desktop's to report, if it does.
void CMainFrame::OnHelpContents()
{
    const QString strPath = AppFolderPath(QString::fromLatin1(gw::IDS_HELP_FILE));
    QDesktopServices::openUrl(QUrl::fromLocalFile(strPath));
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::ConnectMirrorRulers()
{
    const auto picked = [this](bool bColumns) {
        return [this, bColumns](int nHalfCells) {
            if (m_pMirror->AxisPicked(bColumns, nHalfCells))
                UpdateCommandUI();
        };
    };
    connect(HorzRuler(), &CRulerView::AxisPicked, this, picked(true));
    connect(VertRuler(), &CRulerView::AxisPicked, this, picked(false));
}
