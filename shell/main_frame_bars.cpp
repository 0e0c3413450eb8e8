// Building the window: one action per command id, the menu bar, the
// toolbars, the status bar and the docking panes, all from the command table
// and the bar layouts of the res level.
#include "shell/main_frame.h"

#include "canvas/tool_codes.h"
#include "res/bar_layout.h"
#include "res/command_table.h"

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
    void (CMainFrame::*pfn)();
};

} // namespace

QAction* CMainFrame::AddAction(int nId, void (CMainFrame::*pfnHandler)())
{
    const SCommandInfo* pInfo = FindCommand(nId);
    auto* pAction = new QAction(this);
    if (pInfo) {
        pAction->setText(pInfo->pszMenuText ? MenuLabel(*pInfo)
                                            : QString::fromLatin1(pInfo->pszTooltip));
        pAction->setStatusTip(QString::fromLatin1(pInfo->pszStatus));
        pAction->setToolTip(QString::fromLatin1(pInfo->pszTooltip));
        // Buttons that show text beside their image show the tooltip text.
        pAction->setIconText(QString::fromLatin1(pInfo->pszTooltip));
        pAction->setIcon(CommandIcon(nId));
        pAction->setShortcuts(CommandShortcuts(nId));
    }
    pAction->setData(nId);
    pAction->setShortcutContext(Qt::WindowShortcut);
    connect(pAction, &QAction::triggered, this, [this, pfnHandler] {
        (this->*pfnHandler)();
        UpdateCommandUI();
    });
    // Keys work even for commands shown in no visible menu or bar.
    addAction(pAction);
    m_mapActions[nId] = pAction;
    return pAction;
}

void CMainFrame::CreateActions()
{
    static constexpr SHandler HANDLERS[] = {
        {ID_FILE_NEW, &CMainFrame::OnFileNew},
        {ID_FILE_OPEN, &CMainFrame::OnFileOpen},
        {ID_FILE_SAVE, &CMainFrame::OnFileSave},
        {ID_FILE_SAVE_AS, &CMainFrame::OnFileSaveAs},
        {ID_SAVE_ANIMATION_HTML, &CMainFrame::OnSaveAnimationHtml},
        {ID_SAVE_SINGLE_HTML, &CMainFrame::OnSaveSingleHtml},
        {ID_SAVE_SINGLE_TEXT, &CMainFrame::OnSaveSingleText},
        {ID_EXPORT_PNG, &CMainFrame::OnExportPng},
        {ID_EXPORT_GIF, &CMainFrame::OnExportGif},
        {ID_EXPORT_UTF8, &CMainFrame::OnExportUtf8},
        {ID_EXPORT_ANSI, &CMainFrame::OnExportAnsi},
        {ID_FILE_PRINT, &CMainFrame::OnFilePrint},
        {ID_FILE_PRINT_PREVIEW, &CMainFrame::OnFilePrintPreview},
        {ID_FILE_PRINT_SETUP, &CMainFrame::OnFilePrintSetup},
        {ID_APP_EXIT, &CMainFrame::OnAppExit},
        {ID_EDIT_UNDO, &CMainFrame::OnEditUndo},
        {ID_EDIT_REDO, &CMainFrame::OnEditRedo},
        {ID_EDIT_CUT, &CMainFrame::OnEditCut},
        {ID_EDIT_COPY, &CMainFrame::OnEditCopy},
        {ID_EDIT_PASTE, &CMainFrame::OnEditPaste},
        {ID_PASTE_CLIPBOARD, &CMainFrame::OnPasteClipboard},
        {ID_EDIT_DELETE, &CMainFrame::OnEditDelete},
        {ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar},
        {ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar},
        {ID_VIEW_TOOLBOX, &CMainFrame::OnViewToolBox},
        {ID_VIEW_CTRLBAR, &CMainFrame::OnViewCtrlBar},
        {ID_VIEW_OTHERTOOLSBAR, &CMainFrame::OnViewOtherToolsBar},
        {ID_VIEW_VIEWBAR, &CMainFrame::OnViewViewBar},
        {ID_VIEW_CHAR_PICKER, &CMainFrame::OnViewCharPicker},
        {ID_VIEW_FRAME_PANEL, &CMainFrame::OnViewFramePanel},
        {ID_VIEW_COLOR_PICKER, &CMainFrame::OnViewColorPicker},
        {ID_IMAGE_CONVERT, &CMainFrame::OnImageConvert},
        {ID_FIGLET_FONT, &CMainFrame::OnFigletFont},
        {ID_SYMBOL_LIB, &CMainFrame::OnSymbolLib},
        {ID_SETTINGS, &CMainFrame::OnSettings},
        {ID_PLAY, &CMainFrame::OnPlay},
        {ID_PAUSE, &CMainFrame::OnPause},
        {ID_ADD_FRAME, &CMainFrame::OnAddFrame},
        {ID_DELETE_FRAME, &CMainFrame::OnDeleteFrame},
        {ID_AUTO_DRAW, &CMainFrame::OnAutoDraw},
        {ID_SHOW_GRID, &CMainFrame::OnShowGrid},
        {ID_ZOOM_IN, &CMainFrame::OnZoomIn},
        {ID_ZOOM_OUT, &CMainFrame::OnZoomOut},
        {ID_HELP_CONTENTS, &CMainFrame::OnHelpContents},
        {ID_APP_ABOUT, &CMainFrame::OnAppAbout},
        {ID_TOOL_CURSOR, &CMainFrame::OnToolCursor},
        {ID_TOOL_SELECT, &CMainFrame::OnToolSelect},
        {ID_TOOL_TYPE, &CMainFrame::OnToolType},
        {ID_TOOL_FREEHAND, &CMainFrame::OnToolFreehand},
        {ID_TOOL_LINE, &CMainFrame::OnToolLine},
        {ID_TOOL_CURVE, &CMainFrame::OnToolCurve},
        {ID_TOOL_RECTANGLE, &CMainFrame::OnToolRectangle},
        {ID_TOOL_ELLIPSE, &CMainFrame::OnToolEllipse},
        {ID_TOOL_FILL, &CMainFrame::OnToolFill},
        {ID_TOOL_PICK, &CMainFrame::OnToolPick},
        {ID_TOOL_ERASE, &CMainFrame::OnToolErase},
        {ID_NEXT_PANE, &CMainFrame::OnNextPane},
        {ID_PREV_PANE, &CMainFrame::OnPrevPane},
    };
    for (const SHandler& handler : HANDLERS) {
        AddAction(handler.nId, handler.pfn);
    }
    // Ctrl+Y redoes as well; the table has no key for Redo.
    QAction* pRedo = Action(ID_EDIT_REDO);
    QList<QKeySequence> vKeys = pRedo->shortcuts();
    if (!vKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y))) {
        vKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Y));
        pRedo->setShortcuts(vKeys);
    }
    static constexpr int CHECKABLE[] = {
        ID_TOOL_CURSOR, ID_TOOL_SELECT, ID_TOOL_TYPE, ID_TOOL_FREEHAND, ID_TOOL_LINE, ID_TOOL_CURVE,
        ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE, ID_TOOL_FILL, ID_TOOL_PICK, ID_TOOL_ERASE, ID_AUTO_DRAW,
        ID_SHOW_GRID, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBOX, ID_VIEW_CTRLBAR,
        ID_VIEW_OTHERTOOLSBAR, ID_VIEW_VIEWBAR, ID_VIEW_CHAR_PICKER, ID_VIEW_FRAME_PANEL,
        ID_VIEW_COLOR_PICKER};
    for (int nId : CHECKABLE) {
        Action(nId)->setCheckable(true);
    }
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
    // A wide, short pane: its title runs down the side instead of taking a
    // line of its height.
    m_pFrameDock->setFeatures(m_pFrameDock->features() | QDockWidget::DockWidgetVerticalTitleBar);
    CreateFramePanel();

    addDockWidget(Qt::RightDockWidgetArea, m_pCharDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_pFrameDock);
    splitDockWidget(m_pCharDock, m_pColorDock, Qt::Vertical);
    resizeDocks({m_pCharDock, m_pColorDock}, {250, 220}, Qt::Vertical);
    // The colour picker's width holds its palette beside a scroll bar.
    resizeDocks({m_pCharDock}, {qMax(181, m_pColorDock->widget()->minimumWidth())}, Qt::Horizontal);
    // One row of thumbnails: the panel's least height.
    resizeDocks({m_pFrameDock}, {m_pFrameDock->widget()->minimumHeight()}, Qt::Vertical);
    // Hiding a pane through its close button or the View menu must both
    // update the menu's check.
    for (QDockWidget* pDock : {m_pCharDock, m_pColorDock, m_pFrameDock}) {
        connect(pDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
    }
}
