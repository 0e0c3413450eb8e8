#include "shell/frame_bars.h"

#include "res/command_ids.h"
#include "res/bar_layout.h"
#include "res/command_table.h"
#include "shell/action_table.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

using namespace gw;

CFrameBars::CFrameBars(QMainWindow& window, CActionTable& actions)
    : QObject(&window), m_window(window), m_actions(actions)
{
}

void CFrameBars::CreateMenus()
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
        QMenu* pMenu = m_window.menuBar()->addMenu(QString::fromLatin1(menu.pszTitle));
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
                        pExport->addAction(m_actions.Action(nId));
                }
            } else {
                pMenu->addAction(m_actions.Action(menu.pIds[n]));
            }
        }
        connect(pMenu, &QMenu::aboutToShow, this, &CFrameBars::StateDue);
    }
}

QToolBar* CFrameBars::AddToolBar(const QString& strName, const int* pIds, std::size_t nCount)
{
    auto* pBar = new QToolBar(strName, &m_window);
    pBar->setObjectName(strName);
    pBar->setIconSize(QSize(18, 18));
    for (std::size_t n = 0; n < nCount; ++n) {
        if (pIds[n] == ID_SEPARATOR) {
            pBar->addSeparator();
        } else if (pIds[n] == ID_MIRROR) {
            m_pMirrorButton = AddPaletteButton(pBar, ID_MIRROR, MirrorModePalette(), m_pMirrorEntries);
            m_pMirrorButton->setObjectName(QStringLiteral("mirrorButton"));
            // As the view toolbar's other buttons: the text beside the image.
            m_pMirrorButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        } else {
            pBar->addAction(m_actions.Action(pIds[n]));
        }
    }
    return pBar;
}

void CFrameBars::CreateToolBars()
{
    m_pMainBar = AddToolBar(QStringLiteral("Toolbar"), kMainToolbar, std::size(kMainToolbar));
    m_pOtherToolsBar = AddToolBar(QStringLiteral("OtherToolsBar"), kOtherToolsToolbar,
                                  std::size(kOtherToolsToolbar));
    m_pCtrlBar = AddToolBar(QStringLiteral("CtrlBar"), kControlToolbar, std::size(kControlToolbar));
    m_pViewBar = AddToolBar(QStringLiteral("ViewBar"), kViewToolbar, std::size(kViewToolbar));
    m_pViewBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // The main toolbar with the other tools to its right; below them the
    // control toolbar with the view toolbar to its right.
    m_window.addToolBar(Qt::TopToolBarArea, m_pMainBar);
    m_window.addToolBar(Qt::TopToolBarArea, m_pOtherToolsBar);
    m_window.addToolBarBreak(Qt::TopToolBarArea);
    m_window.addToolBar(Qt::TopToolBarArea, m_pCtrlBar);
    m_window.addToolBar(Qt::TopToolBarArea, m_pViewBar);
}

// A tool button whose arrow opens the palette of selection modes, brush
// widths or mirror modes; the button shows the image of the entry last
// chosen.
QToolButton* CFrameBars::AddPaletteButton(QToolBar* pBar, int nCommand, bool bFreehand)
{
    QToolButton* pButton = AddPaletteButton(pBar, nCommand,
                                            bFreehand ? FreehandPalette() : SelectModePalette(),
                                            bFreehand ? m_pFreehandEntries : m_pSelectEntries);
    pButton->setObjectName(bFreehand ? QStringLiteral("freehandButton")
                                     : QStringLiteral("selectButton"));
    return pButton;
}

QToolButton* CFrameBars::AddPaletteButton(QToolBar* pBar, int nCommand,
                                          std::span<const SPaletteEntry> entries,
                                          QActionGroup*& pEntries)
{
    auto* pButton = new QToolButton(pBar);
    pButton->setDefaultAction(m_actions.Action(nCommand));
    pButton->setPopupMode(QToolButton::MenuButtonPopup);
    auto* pMenu = new QMenu(pButton);
    auto* pGroup = new QActionGroup(pButton);
    pGroup->setExclusive(true);
    for (const SPaletteEntry& entry : entries) {
        QAction* pEntry = pMenu->addAction(QString::fromLatin1(entry.pszLabel));
        pEntry->setIcon(QIcon(QString::fromLatin1(entry.pszIcon)));
        pEntry->setToolTip(QString::fromLatin1(entry.pszTooltip));
        pEntry->setStatusTip(QString::fromLatin1(entry.pszTooltip));
        pEntry->setData(entry.nValue);
        pEntry->setCheckable(true);
        pGroup->addAction(pEntry);
        const int nValue = entry.nValue;
        connect(pEntry, &QAction::triggered, this, [this, nCommand, nValue] {
            emit PaletteChosen(nCommand, nValue);
        });
    }
    pMenu->setToolTipsVisible(true);
    pButton->setMenu(pMenu);
    pEntries = pGroup;
    pBar->addWidget(pButton);
    return pButton;
}

void CFrameBars::CreateToolBox()
{
    m_pToolBox = new QToolBar(QStringLiteral("ToolBox"), &m_window);
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
            m_pToolBox->addAction(m_actions.Action(nId));
        }
    }
    m_window.addToolBar(Qt::LeftToolBarArea, m_pToolBox);
}

void CFrameBars::CreateStatusBar()
{
    QStatusBar* pBar = m_window.statusBar();
    // An ordinary widget: a status tip hides it while shown, and it comes
    // back when the tip is cleared, so the idle text is always "Ready".
    m_pMessagePane = new QLabel(QString::fromLatin1(IDS_IDLE_STATUS), pBar);
    m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
    pBar->addWidget(m_pMessagePane, 1);
    m_pPosPane = new QLabel(pBar);
    m_pPosPane->setObjectName(QStringLiteral("posPane"));
    m_pPosPane->setFixedWidth(120);
    pBar->addPermanentWidget(m_pPosPane);
    m_pMirrorPane = new QLabel(pBar);
    m_pMirrorPane->setObjectName(QStringLiteral("mirrorPane"));
    pBar->addPermanentWidget(m_pMirrorPane);
}

// The panes' contents come with their own work; the bars, their places and
// sizes are settled here.
void CFrameBars::CreateDockPanes(const DockFill& fnCharPicker, const DockFill& fnColorPicker,
                                 const DockFill& fnFramePanel)
{
    const auto makeDock = [this](const QString& strTitle, const QString& strName, QSize size) {
        auto* pDock = new QDockWidget(strTitle, &m_window);
        pDock->setObjectName(strName);
        auto* pContent = new QWidget(pDock);
        pContent->setMinimumSize(size / 4);
        pDock->setWidget(pContent);
        return pDock;
    };
    m_pCharDock = makeDock(QStringLiteral("Character Picker"), QStringLiteral("CharPicker"),
                           QSize(181, 250));
    fnCharPicker(m_pCharDock);
    m_pColorDock = makeDock(QStringLiteral("Color Picker"), QStringLiteral("ColorPicker"),
                            QSize(181, 220));
    fnColorPicker(m_pColorDock);
    m_pFrameDock = makeDock(QStringLiteral("Frame Panel"), QStringLiteral("FramePanel"),
                            QSize(850, 130));
    m_pFrameDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    // A wide, short pane: its title runs down the side instead of taking a
    // line of its height.
    m_pFrameDock->setFeatures(m_pFrameDock->features() | QDockWidget::DockWidgetVerticalTitleBar);
    fnFramePanel(m_pFrameDock);

    m_window.addDockWidget(Qt::RightDockWidgetArea, m_pCharDock);
    m_window.addDockWidget(Qt::BottomDockWidgetArea, m_pFrameDock);
    m_window.splitDockWidget(m_pCharDock, m_pColorDock, Qt::Vertical);
    m_window.resizeDocks({m_pCharDock, m_pColorDock}, {250, 220}, Qt::Vertical);
    // The colour picker's width holds its palette beside a scroll bar.
    m_window.resizeDocks({m_pCharDock}, {qMax(181, m_pColorDock->widget()->minimumWidth())}, Qt::Horizontal);
    // One row of thumbnails: the panel's least height.
    m_window.resizeDocks({m_pFrameDock}, {m_pFrameDock->widget()->minimumHeight()}, Qt::Vertical);
    // Hiding a pane through its close button or the View menu must both
    // update the menu's check.
    for (QDockWidget* pDock : {m_pCharDock, m_pColorDock, m_pFrameDock}) {
        connect(pDock, &QDockWidget::visibilityChanged, this, &CFrameBars::StateDue);
    }
}

void CFrameBars::ShowPaletteChoice(int nSelectMode, int nFreehandTool)
{
    const auto show = [](QActionGroup* pGroup, QAction* pCommand, int nValue) {
        for (QAction* pEntry : pGroup->actions()) {
            if (pEntry->data().toInt() == nValue) {
                pEntry->setChecked(true);
                if (pCommand->icon().cacheKey() != pEntry->icon().cacheKey()) {
                    pCommand->setIcon(pEntry->icon());
                }
            }
        }
    };
    show(m_pSelectEntries, m_actions.Action(ID_TOOL_SELECT), nSelectMode);
    show(m_pFreehandEntries, m_actions.Action(ID_TOOL_FREEHAND), nFreehandTool);
}

void CFrameBars::ShowMirrorMode(int nMode, int nLastMode, const QString& strStatus)
{
    // The button shows the mode it turns on: the one in use, else the last.
    if (QAction* pButton = m_actions.Action(ID_MIRROR); pButton && m_pMirrorEntries) {
        for (QAction* pEntry : m_pMirrorEntries->actions()) {
            const int nValue = pEntry->data().toInt();
            pEntry->setChecked(nValue == nMode);
            if (nValue == (nMode != 0 ? nMode : nLastMode) &&
                pButton->icon().cacheKey() != pEntry->icon().cacheKey())
                pButton->setIcon(pEntry->icon());
        }
    }
    if (m_pMirrorPane)
        m_pMirrorPane->setText(strStatus);
}

QWidget* CFrameBars::Widget(int nId) const
{
    switch (nId) {
    case ID_VIEW_TOOLBAR:
        return m_pMainBar;
    case ID_VIEW_STATUS_BAR:
        return m_window.statusBar();
    case ID_VIEW_TOOLBOX:
        return m_pToolBox;
    case ID_VIEW_CTRLBAR:
        return m_pCtrlBar;
    case ID_VIEW_OTHERTOOLSBAR:
        return m_pOtherToolsBar;
    case ID_VIEW_VIEWBAR:
        return m_pViewBar;
    case ID_VIEW_CHAR_PICKER:
        return m_pCharDock;
    case ID_VIEW_FRAME_PANEL:
        return m_pFrameDock;
    case ID_VIEW_COLOR_PICKER:
        return m_pColorDock;
    default:
        return nullptr;
    }
}

void CFrameBars::Toggle(int nId)
{
    if (QWidget* pWidget = Widget(nId)) {
        pWidget->setVisible(pWidget->isHidden());
    }
}

std::map<int, bool> CFrameBars::ShownStates() const
{
    std::map<int, bool> mapShown;
    for (const int nId : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBOX, ID_VIEW_CTRLBAR,
                          ID_VIEW_OTHERTOOLSBAR, ID_VIEW_VIEWBAR, ID_VIEW_CHAR_PICKER, ID_VIEW_FRAME_PANEL,
                          ID_VIEW_COLOR_PICKER}) {
        mapShown[nId] = !Widget(nId)->isHidden();
    }
    return mapShown;
}
