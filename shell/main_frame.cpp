#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/ruler_splitter.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "core/backup_store.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "res/command_table.h"
#include "shell/action_table.h"
#include "shell/autosave.h"
#include "shell/edit_commands.h"
#include "shell/export_commands.h"
#include "shell/file_commands.h"
#include "shell/frame_bars.h"
#include "shell/mirror_commands.h"
#include "shell/print_commands.h"
#include "ui/message_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QToolButton>

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent)
{
    m_settings.Read();
    setAcceptDrops(true);

    CreateClientArea();
    m_pActions = new CActionTable(this);
    connect(m_pActions, &CActionTable::Ran, this, &CMainFrame::UpdateCommandUI);
    m_pExports = std::make_unique<CExportCommands>(m_doc, *m_pView, m_settings, this);
    m_pFrames = std::make_unique<CFrameCommands>(m_doc, *m_pView, m_settings, *this, this);
    m_pFiles = std::make_unique<CFileCommands>(m_doc, *m_pView, *this, this);
    m_pPrint = std::make_unique<CPrintCommands>(*m_pView, this);
    m_pEdits = std::make_unique<CEditCommands>(m_doc, *m_pView, this);
    m_pMirror = std::make_unique<CMirrorCommands>(*m_pView, m_settings);
    ConnectMirrorRulers();
    m_pBars = new CFrameBars(*this, *m_pActions);
    CreateActions();
    connect(m_pBars, &CFrameBars::StateDue, this, &CMainFrame::UpdateCommandUI);
    connect(m_pBars, &CFrameBars::PaletteChosen, this, [this](int nCommand, int nValue) {
        if (nCommand == gw::ID_MIRROR)
            m_pMirror->SetMode(static_cast<EMirrorMode>(nValue));
        else
            OnPaletteEntry(nCommand, nValue);
        UpdateCommandUI();
    });
    m_pBars->CreateMenus();
    m_pBars->CreateToolBars();
    m_pBars->CreateStatusBar();
    m_pBars->CreateDockPanes([this](QDockWidget* pDock) { CreateCharPicker(pDock); },
                             [this](QDockWidget* pDock) { CreateColorPicker(pDock); },
                             [this](QDockWidget* pDock) { m_pFrames->CreatePanel(pDock); });
    m_pBars->CreateToolBox();

    m_pView->SetOnionSettings(m_settings.m_onion);
    m_pView->SetOnionShown(m_settings.m_bOnionShown == 1);
    // The first drawing: blank, default size, one frame.
    m_doc.OnNewDocument();
    m_pView->OnInitialUpdate();
    // The corner shows the colours the view starts with; the colour picker
    // sets them from then on.
    RulerCorner()->SetTextColor(m_pView->GetTextColor());
    RulerCorner()->SetBackColor(m_pView->GetBackColor());
    UpdateTitle();
    UpdateCommandUI();
    // Last: its one message about a recovery folder it cannot use needs the
    // status bar.
    m_pAutosave = std::make_unique<CAutosave>(
        m_doc, CAutosave::DefaultFolder(), [this] { return m_pView && m_pView->IsEditing(); },
        [this](const QString& strText) { ShowStatusNote(strText); });
    m_pAutosave->SetPendingWork(
        [this] { return m_pView && m_pView->HasPendingEdits(); },
        [this](CharCell* pCells) { m_pView->WritePendingEditsInto(pCells); });
    m_pAutosave->SetBackColorSource([this] { return m_pView->GetBackColor(); });
    m_pAutosave->SetInterval(m_settings.m_nAutosaveSecs);
}

CMainFrame::~CMainFrame()
{
    // Closing hides the panes as the window goes; no update pass may run on
    // a half-destroyed window.
    disconnect(m_pBars, nullptr, this, nullptr);
    m_settings.Write();
    // Whatever the drawing's state, the user has chosen to leave it: no copy
    // is left to be offered as a crash's.
    m_pAutosave->CloseClean();
    // The view reads the document and calls back into this window while it
    // is destroyed: it goes before both.
    delete m_pView;
    m_pView = nullptr;
}

// Rulers and their corner around the canvas, in a splitter whose bars do
// not move. The rulers have no thickness until the view has laid out its
// first frame.
void CMainFrame::CreateClientArea()
{
    m_pSplitter = new CRulerSplitter(this);
    m_pView = new CArtView(m_doc, this, m_pSplitter);
    RegisterStandardTools(*m_pView);
    // The splitter draws the borders; a frame of the view's own would put
    // its first cell off the rulers' zero.
    m_pView->setFrameShape(QFrame::NoFrame);
    // The drawing tools wear the project's own cursors.
    m_pView->SetCursorProvider([](int nTool) {
        if (IsFreehandTool(nTool))
            return gw::ToolCursor(gw::IDC_FREEHAND);
        if (nTool == TOOL_FILL)
            return gw::ToolCursor(gw::IDC_FILL);
        if (nTool == TOOL_PICK)
            return gw::ToolCursor(gw::IDC_PICK);
        return CArtView::StandardToolCursor(nTool);
    });
    m_pSplitter->SetCanvasView(m_pView);
    setCentralWidget(m_pSplitter);
}

QToolButton* CMainFrame::SelectButton() const { return m_pBars->SelectButton(); }
QToolButton* CMainFrame::FreehandButton() const { return m_pBars->FreehandButton(); }
QLabel* CMainFrame::MessagePane() const { return m_pBars->MessagePane(); }
QLabel* CMainFrame::PosPane() const { return m_pBars->PosPane(); }
CRulerCornerView* CMainFrame::RulerCorner() const { return m_pSplitter->Corner(); }
CRulerView* CMainFrame::HorzRuler() const { return m_pSplitter->HorzRuler(); }
CRulerView* CMainFrame::VertRuler() const { return m_pSplitter->VertRuler(); }

void CMainFrame::SetCurTool(int nTool)
{
    m_nCurTool = nTool;
    UpdateCommandUI();
}

void CMainFrame::PendingWorkChanged()
{
    DocumentChanged();
}

void CMainFrame::DocumentChanged()
{
    if (m_pAutosave) {
        m_pAutosave->OnDocumentChanged();
    }
}

// The view ends and writes what it holds pending on the frame it belongs
// to, so a frame change keeps each edit on its own frame.
void CMainFrame::CommitPendingEdits()
{
    m_pView->EndPendingEdit();
}

void CMainFrame::ShowStatusNote(const QString& strText)
{
    MessagePane()->setText(strText);
    GwLogForScripts("status", strText);
}

void CMainFrame::BackColorRestored()
{
    RulerCorner()->SetBackColor(m_pView->GetBackColor());
    RulerCorner()->update();
}

void CMainFrame::SetStatusPosText(const QString& strText)
{
    PosPane()->setText(strText);
}

void CMainFrame::UpdateRulers(ERulerUpdate nMode, const CRulerState& state)
{
    m_pSplitter->UpdateRulers(nMode, state);
}

void CMainFrame::RefreshFrameThumbnail()
{
    m_pFrames->RefreshFrameThumbnail();
}

// The view's initial update of a new or opened drawing: the list starts
// again with this one frame, and playback of the previous drawing ends.
void CMainFrame::AddFirstFrame(int nFrameKey, const QImage& imgThumb)
{
    m_pFrames->AddFirstFrame(nFrameKey, imgThumb);
    // Shown here as well, for a view that does not ask for them itself.
    ShowRulers();
}

void CMainFrame::BackColorChanged()
{
    m_pFrames->BackColorChanged();
}

void CMainFrame::ShowRulers()
{
    m_pSplitter->ShowRulers();
}

QAction* CMainFrame::Action(int nId) const
{
    return m_pActions->Action(nId);
}

void CMainFrame::RunCommand(int nId)
{
    m_pActions->Run(nId);
}

void CMainFrame::UpdateTitle()
{
    setWindowTitle(QStringLiteral("%1 - %2")
                       .arg(QString::fromStdString(m_doc.GetTitle()),
                            QString::fromLatin1(gw::IDS_APP_TITLE)));
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    if (!m_pFiles->SaveModified()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
