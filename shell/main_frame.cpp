#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/ruler_splitter.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/tool_registry.h"
#include "core/backup_store.h"
#include "res/app_strings.h"
#include "res/command_table.h"
#include "shell/autosave.h"
#include "ui/message_box.h"
#include "ui/settings_value.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QPrinter>
#include <QSettings>

namespace {

const QString SECTION = QStringLiteral("GWSet");

QSettings AppSettings()
{
    return QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
}

} // namespace

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent)
{
    ReadSettings();
    setAcceptDrops(true);

    CreateClientArea();
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    CreateDockPanes();
    CreateToolBox();

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
        [this](const QString& strText) {
            m_pMessagePane->setText(strText);
            GwLogForScripts("status", strText);
        });
    m_pAutosave->SetPendingWork(
        [this] { return m_pView && m_pView->HasPendingEdits(); },
        [this](CharCell* pCells) { m_pView->WritePendingEditsInto(pCells); });
    m_pAutosave->SetInterval(m_nAutosaveSecs);
}

CMainFrame::~CMainFrame()
{
    // Closing hides the panes as the window goes; no update pass may run on
    // a half-destroyed window.
    for (QDockWidget* pDock : {m_pCharDock, m_pColorDock, m_pFrameDock}) {
        disconnect(pDock, nullptr, this, nullptr);
    }
    WriteSettings();
    // Whatever the drawing's state, the user has chosen to leave it: no copy
    // is left to be offered as a crash's.
    m_pAutosave->CloseClean();
    // The view reads the document and calls back into this window while it
    // is destroyed: it goes before both.
    delete m_pView;
    m_pView = nullptr;
}

void CMainFrame::ReadSettings()
{
    QSettings settings = AppSettings();
    // Values outside the ranges the settings dialog accepts would stall
    // playback or the undo store; they are taken as absent.
    const quint32 nSteps = ReadSettingU32(settings, SECTION, QStringLiteral("UndoRedoStep"), 100);
    g_nUndoRedoStep = (nSteps >= 1 && nSteps <= 200) ? nSteps : 100;
    const quint32 nLoop = ReadSettingU32(settings, SECTION, QStringLiteral("PlayLoop"), 1);
    m_bPlayLoop = nLoop <= 1 ? static_cast<int>(nLoop) : 1;
    const qint32 nInterval = ReadSettingI32(settings, SECTION, QStringLiteral("FrmInterval"), 5);
    m_nFrameInterval = (nInterval >= 1 && nInterval <= 100) ? nInterval : 5;
    const qint32 nAutosave = ReadSettingI32(settings, SECTION, QStringLiteral("AutosaveSecs"), 30);
    m_nAutosaveSecs = (nAutosave >= 0 && nAutosave <= 3600) ? nAutosave : 30;
}

void CMainFrame::WriteSettings() const
{
    QSettings settings = AppSettings();
    WriteSettingU32(settings, SECTION, QStringLiteral("UndoRedoStep"), g_nUndoRedoStep);
    WriteSettingU32(settings, SECTION, QStringLiteral("PlayLoop"), static_cast<quint32>(m_bPlayLoop));
    WriteSettingI32(settings, SECTION, QStringLiteral("FrmInterval"), m_nFrameInterval);
    WriteSettingI32(settings, SECTION, QStringLiteral("AutosaveSecs"), m_nAutosaveSecs);
    settings.sync();
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
    if (m_pAutosave) {
        m_pAutosave->OnDocumentChanged();
    }
}

bool CMainFrame::HasUnsavedWork() const
{
    return m_doc.IsModified() || m_pView->HasPendingEdits();
}

// The view ends and writes what it holds pending on the frame it belongs
// to, so a frame change keeps each edit on its own frame.
void CMainFrame::CommitPendingEdits()
{
    m_pView->EndPendingEdit();
}

void CMainFrame::SetStatusPosText(const QString& strText)
{
    m_pPosPane->setText(strText);
}

void CMainFrame::UpdateRulers(ERulerUpdate nMode, const CRulerState& state)
{
    m_pSplitter->UpdateRulers(nMode, state);
}

void CMainFrame::ShowRulers()
{
    m_pSplitter->ShowRulers();
}

QAction* CMainFrame::Action(int nId) const
{
    const auto it = m_mapActions.find(nId);
    return it == m_mapActions.end() ? nullptr : it->second;
}

void CMainFrame::RunCommand(int nId)
{
    if (QAction* pAction = Action(nId)) {
        pAction->trigger();
    }
}

void CMainFrame::UpdateTitle()
{
    setWindowTitle(QStringLiteral("%1 - %2")
                       .arg(QString::fromStdString(m_doc.GetTitle()),
                            QString::fromLatin1(gw::IDS_APP_TITLE)));
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    if (!SaveModified()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}

QPrinter& CMainFrame::Printer()
{
    if (!m_pPrinter) {
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *m_pPrinter;
}
