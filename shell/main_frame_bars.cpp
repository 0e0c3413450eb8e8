// Building the window: one action per command id, the menu bar, the
// toolbars, the status bar and the docking panes, all from the command table
// and the bar layouts of the res level.
#include "shell/main_frame.h"

#include "canvas/tool_codes.h"
#include "res/bar_layout.h"
#include "res/command_table.h"
#include "shell/action_table.h"
#include "shell/export_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

using namespace gw;

namespace {

struct SHandler {
    int nId;
    std::function<void()> fn;
};

} // namespace

void CMainFrame::CreateActions()
{
    const auto on = [this](void (CMainFrame::*pfn)()) { return [this, pfn] { (this->*pfn)(); }; };
    CExportCommands* pExports = m_pExports.get();
    CFrameCommands* pFrames = m_pFrames.get();
    CFileCommands* pFiles = m_pFiles.get();
    const SHandler HANDLERS[] = {
        {ID_FILE_NEW, [pFiles] { pFiles->OnFileNew(); }},
        {ID_FILE_OPEN, [pFiles] { pFiles->OnFileOpen(); }},
        {ID_FILE_SAVE, [pFiles] { pFiles->OnFileSave(); }},
        {ID_FILE_SAVE_AS, [pFiles] { pFiles->OnFileSaveAs(); }},
        {ID_SAVE_ANIMATION_HTML, [pExports] { pExports->OnSaveAnimationHtml(); }},
        {ID_SAVE_SINGLE_HTML, [pExports] { pExports->OnSaveSingleHtml(); }},
        {ID_SAVE_SINGLE_TEXT, [pExports] { pExports->OnSaveSingleText(); }},
        {ID_EXPORT_PNG, [pExports] { pExports->OnExportPng(); }},
        {ID_EXPORT_GIF, [pExports] { pExports->OnExportGif(); }},
        {ID_EXPORT_UTF8, [pExports] { pExports->OnExportUtf8(); }},
        {ID_EXPORT_ANSI, [pExports] { pExports->OnExportAnsi(); }},
        {ID_FILE_PRINT, on(&CMainFrame::OnFilePrint)},
        {ID_FILE_PRINT_PREVIEW, on(&CMainFrame::OnFilePrintPreview)},
        {ID_FILE_PRINT_SETUP, on(&CMainFrame::OnFilePrintSetup)},
        {ID_APP_EXIT, on(&CMainFrame::OnAppExit)},
        {ID_EDIT_UNDO, on(&CMainFrame::OnEditUndo)},
        {ID_EDIT_REDO, on(&CMainFrame::OnEditRedo)},
        {ID_EDIT_CUT, on(&CMainFrame::OnEditCut)},
        {ID_EDIT_COPY, on(&CMainFrame::OnEditCopy)},
        {ID_EDIT_PASTE, on(&CMainFrame::OnEditPaste)},
        {ID_PASTE_CLIPBOARD, on(&CMainFrame::OnPasteClipboard)},
        {ID_EDIT_DELETE, on(&CMainFrame::OnEditDelete)},
        {ID_VIEW_TOOLBAR, on(&CMainFrame::OnViewToolBar)},
        {ID_VIEW_STATUS_BAR, on(&CMainFrame::OnViewStatusBar)},
        {ID_VIEW_TOOLBOX, on(&CMainFrame::OnViewToolBox)},
        {ID_VIEW_CTRLBAR, on(&CMainFrame::OnViewCtrlBar)},
        {ID_VIEW_OTHERTOOLSBAR, on(&CMainFrame::OnViewOtherToolsBar)},
        {ID_VIEW_VIEWBAR, on(&CMainFrame::OnViewViewBar)},
        {ID_VIEW_CHAR_PICKER, on(&CMainFrame::OnViewCharPicker)},
        {ID_VIEW_FRAME_PANEL, on(&CMainFrame::OnViewFramePanel)},
        {ID_VIEW_COLOR_PICKER, on(&CMainFrame::OnViewColorPicker)},
        {ID_IMAGE_CONVERT, on(&CMainFrame::OnImageConvert)},
        {ID_FIGLET_FONT, on(&CMainFrame::OnFigletFont)},
        {ID_SYMBOL_LIB, on(&CMainFrame::OnSymbolLib)},
        {ID_SETTINGS, on(&CMainFrame::OnSettings)},
        {ID_PLAY, [pFrames] { pFrames->OnPlay(); }},
        {ID_PAUSE, [pFrames] { pFrames->OnPause(); }},
        {ID_ADD_FRAME, [pFrames] { pFrames->OnAddFrame(); }},
        {ID_DELETE_FRAME, [pFrames] { pFrames->OnDeleteFrame(); }},
        {ID_AUTO_DRAW, on(&CMainFrame::OnAutoDraw)},
        {ID_SHOW_GRID, on(&CMainFrame::OnShowGrid)},
        {ID_ZOOM_IN, on(&CMainFrame::OnZoomIn)},
        {ID_ZOOM_OUT, on(&CMainFrame::OnZoomOut)},
        {ID_HELP_CONTENTS, on(&CMainFrame::OnHelpContents)},
        {ID_APP_ABOUT, on(&CMainFrame::OnAppAbout)},
        {ID_TOOL_CURSOR, on(&CMainFrame::OnToolCursor)},
        {ID_TOOL_SELECT, on(&CMainFrame::OnToolSelect)},
        {ID_TOOL_TYPE, on(&CMainFrame::OnToolType)},
        {ID_TOOL_FREEHAND, on(&CMainFrame::OnToolFreehand)},
        {ID_TOOL_LINE, on(&CMainFrame::OnToolLine)},
        {ID_TOOL_CURVE, on(&CMainFrame::OnToolCurve)},
        {ID_TOOL_RECTANGLE, on(&CMainFrame::OnToolRectangle)},
        {ID_TOOL_ELLIPSE, on(&CMainFrame::OnToolEllipse)},
        {ID_TOOL_FILL, on(&CMainFrame::OnToolFill)},
        {ID_TOOL_PICK, on(&CMainFrame::OnToolPick)},
        {ID_TOOL_ERASE, on(&CMainFrame::OnToolErase)},
        {ID_NEXT_PANE, on(&CMainFrame::OnNextPane)},
        {ID_PREV_PANE, on(&CMainFrame::OnPrevPane)},
    };
    for (const SHandler& handler : HANDLERS) {
        m_pActions->Add(handler.nId, handler.fn);
    }
    m_pActions->FinishSetup();
}
void CMainFrame::CreateMenus()
{
    struct SMenu {
        const char* pszTitle;
        const int* pIds;
        std::size_t nCount;
    };
    const SMenu MENUS[] = {
        {IDS_MENU_FILE, kFileMenu, std::size(kFileMenu)},
        {IDS_MENU_EDIT, kEditMenu, std::size(kEditMenu)},
        {IDS_MENU_VIEW, kViewMenu, std::size(kViewMenu)},
        {IDS_MENU_TOOLS, kToolsMenu, std::size(kToolsMenu)},
        {IDS_MENU_CONTROL, kControlMenu, std::size(kControlMenu)},
        {IDS_MENU_HELP, kHelpMenu, std::size(kHelpMenu)},
    };
    for (const SMenu& menu : MENUS) {
        QMenu* pMenu = menuBar()->addMenu(QString::fromLatin1(menu.pszTitle));
        for (std::size_t n = 0; n < menu.nCount; ++n) {
            if (menu.pIds[n] == ID_SEPARATOR) {
                pMenu->addSeparator();
            } else if (menu.pIds[n] == ID_EXPORT_MENU) {
                QMenu* pExport = pMenu->addMenu(QIcon(QStringLiteral(":/icons/export_png.svg")),
                                                QStringLiteral("Expor&t"));
                pExport->setObjectName(QStringLiteral("exportMenu"));
                for (const int nId : kExportMenu) {
                    if (nId == ID_SEPARATOR)
                        pExport->addSeparator();
                    else
                        pExport->addAction(Action(nId));
                }
            } else {
                pMenu->addAction(Action(menu.pIds[n]));
            }
        }
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

QToolBar* CMainFrame::AddToolBar(const QString& strName, const int* pIds, std::size_t nCount)
{
    auto* pBar = new QToolBar(strName, this);
    pBar->setObjectName(strName);
    pBar->setIconSize(QSize(18, 18));
    for (std::size_t n = 0; n < nCount; ++n) {
        if (pIds[n] == ID_SEPARATOR) {
            pBar->addSeparator();
        } else {
            pBar->addAction(Action(pIds[n]));
        }
    }
    return pBar;
}

void CMainFrame::CreateToolBars()
{
    m_pMainBar = AddToolBar(QStringLiteral("Toolbar"), kMainToolbar, std::size(kMainToolbar));
    m_pOtherToolsBar = AddToolBar(QStringLiteral("OtherToolsBar"), kOtherToolsToolbar,
                                  std::size(kOtherToolsToolbar));
    m_pCtrlBar = AddToolBar(QStringLiteral("CtrlBar"), kControlToolbar, std::size(kControlToolbar));
    m_pViewBar = AddToolBar(QStringLiteral("ViewBar"), kViewToolbar, std::size(kViewToolbar));
    m_pViewBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // The main toolbar with the other tools to its right; below them the
    // control toolbar with the view toolbar to its right.
    addToolBar(Qt::TopToolBarArea, m_pMainBar);
    addToolBar(Qt::TopToolBarArea, m_pOtherToolsBar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_pCtrlBar);
    addToolBar(Qt::TopToolBarArea, m_pViewBar);
}

// A tool button whose arrow opens the palette of selection modes or brush
// widths; the button shows the image of the entry last chosen.
QToolButton* CMainFrame::AddPaletteButton(QToolBar* pBar, int nCommand, bool bFreehand)
{
    auto* pButton = new QToolButton(pBar);
    pButton->setDefaultAction(Action(nCommand));
    pButton->setPopupMode(QToolButton::MenuButtonPopup);
    pButton->setObjectName(bFreehand ? QStringLiteral("freehandButton")
                                     : QStringLiteral("selectButton"));
    auto* pMenu = new QMenu(pButton);
    auto* pGroup = new QActionGroup(pButton);
    pGroup->setExclusive(true);
    for (const SPaletteEntry& entry : bFreehand ? FreehandPalette() : SelectModePalette()) {
        QAction* pEntry = pMenu->addAction(QString::fromLatin1(entry.pszLabel));
        pEntry->setIcon(QIcon(QString::fromLatin1(entry.pszIcon)));
        pEntry->setToolTip(QString::fromLatin1(entry.pszTooltip));
        pEntry->setStatusTip(QString::fromLatin1(entry.pszTooltip));
        pEntry->setData(entry.nValue);
        pEntry->setCheckable(true);
        pGroup->addAction(pEntry);
        const int nValue = entry.nValue;
        connect(pEntry, &QAction::triggered, this, [this, nCommand, nValue] {
            OnPaletteEntry(nCommand, nValue);
            UpdateCommandUI();
        });
    }
    pMenu->setToolTipsVisible(true);
    pButton->setMenu(pMenu);
    (bFreehand ? m_pFreehandEntries : m_pSelectEntries) = pGroup;
    pBar->addWidget(pButton);
    return pButton;
}

void CMainFrame::CreateToolBox()
{
    m_pToolBox = new QToolBar(QStringLiteral("ToolBox"), this);
    m_pToolBox->setObjectName(QStringLiteral("ToolBox"));
    m_pToolBox->setIconSize(QSize(18, 18));
    m_pToolBox->setOrientation(Qt::Vertical);
    m_pToolBox->setAllowedAreas(Qt::LeftToolBarArea);
    m_pToolBox->setMovable(false);
    m_pToolBox->setFloatable(false);
    for (int nId : kToolsToolbar) {
        if (nId == ID_TOOL_SELECT) {
            m_pSelectButton = AddPaletteButton(m_pToolBox, nId, false);
        } else if (nId == ID_TOOL_FREEHAND) {
            m_pFreehandButton = AddPaletteButton(m_pToolBox, nId, true);
        } else if (nId != ID_SEPARATOR) {
            m_pToolBox->addAction(Action(nId));
        }
    }
    addToolBar(Qt::LeftToolBarArea, m_pToolBox);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* pBar = statusBar();
    // An ordinary widget: a status tip hides it while shown, and it comes
    // back when the tip is cleared, so the idle text is always "Ready".
    m_pMessagePane = new QLabel(QString::fromLatin1(IDS_IDLE_STATUS), pBar);
    m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
    pBar->addWidget(m_pMessagePane, 1);
    m_pPosPane = new QLabel(pBar);
    m_pPosPane->setObjectName(QStringLiteral("posPane"));
    m_pPosPane->setFixedWidth(120);
    pBar->addPermanentWidget(m_pPosPane);
}

// The panes' contents come with their own work; the bars, their places and
// sizes are settled here.
void CMainFrame::CreateDockPanes()
{
    const auto makeDock = [this](const QString& strTitle, const QString& strName, QSize size) {
        auto* pDock = new QDockWidget(strTitle, this);
        pDock->setObjectName(strName);
        auto* pContent = new QWidget(pDock);
        pContent->setMinimumSize(size / 4);
        pDock->setWidget(pContent);
        return pDock;
    };
    m_pCharDock = makeDock(QStringLiteral("Character Picker"), QStringLiteral("CharPicker"),
                           QSize(181, 250));
    CreateCharPicker();
    m_pColorDock = makeDock(QStringLiteral("Color Picker"), QStringLiteral("ColorPicker"),
                            QSize(181, 220));
    CreateColorPicker();
    m_pFrameDock = makeDock(QStringLiteral("Frame Panel"), QStringLiteral("FramePanel"),
                            QSize(850, 130));
    m_pFrameDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_pFrames->CreatePanel(m_pFrameDock);

    addDockWidget(Qt::RightDockWidgetArea, m_pCharDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_pFrameDock);
    splitDockWidget(m_pCharDock, m_pColorDock, Qt::Vertical);
    resizeDocks({m_pCharDock, m_pColorDock}, {250, 220}, Qt::Vertical);
    resizeDocks({m_pCharDock}, {181}, Qt::Horizontal);
    resizeDocks({m_pFrameDock}, {130}, Qt::Vertical);
    // Hiding a pane through its close button or the View menu must both
    // update the menu's check.
    for (QDockWidget* pDock : {m_pCharDock, m_pColorDock, m_pFrameDock}) {
        connect(pDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
    }
}
