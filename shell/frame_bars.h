// The window's bars and panes: the menu bar, the four toolbars, the tool
// box with its two palette buttons, the status bar and the three docks,
// all laid out from the bar layouts of the res level around the actions of
// the command table. The docks' contents come with their own work; their
// places and sizes are settled here, and so is showing and hiding them.
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <span>

namespace gw {
struct SPaletteEntry;
}

class CActionTable;
class QActionGroup;
class QDockWidget;
class QLabel;
class QMainWindow;
class QToolBar;
class QToolButton;

class CFrameBars : public QObject {
    Q_OBJECT

public:
    CFrameBars(QMainWindow& window, CActionTable& actions);

    void CreateMenus();
    void CreateToolBars();
    void CreateToolBox();
    void CreateStatusBar();
    // Makes the three docks; each fill puts a pane's contents into its dock.
    using DockFill = std::function<void(QDockWidget*)>;
    void CreateDockPanes(const DockFill& fnCharPicker, const DockFill& fnColorPicker,
                         const DockFill& fnFramePanel);

    // The View menu's show/hide commands: nId is one of ID_VIEW_TOOLBAR ..
    // ID_VIEW_COLOR_PICKER.
    void Toggle(int nId);
    // Each of those commands and whether its bar or pane is shown:
    // explicitly hidden rather than not visible, for a bar of a window not
    // yet shown counts as shown.
    std::map<int, bool> ShownStates() const;
    // The Select and Freehand buttons show the image of the current mode,
    // and their palettes mark it.
    void ShowPaletteChoice(int nSelectMode, int nFreehandTool);
    // The mirror button's palette marks nMode (EMirrorMode's number) and the
    // button shows the mode it turns on; the status bar's pane the text.
    void ShowMirrorMode(int nMode, int nLastMode, const QString& strStatus);

    bool IsBuilt() const { return m_pToolBox != nullptr; }
    QToolButton* SelectButton() const { return m_pSelectButton; }
    QToolButton* FreehandButton() const { return m_pFreehandButton; }
    QLabel* MessagePane() const { return m_pMessagePane; }
    QLabel* PosPane() const { return m_pPosPane; }
    QToolButton* MirrorButton() const { return m_pMirrorButton; }
    QLabel* MirrorPane() const { return m_pMirrorPane; }

signals:
    // An entry of the Select or Freehand palette was chosen.
    void PaletteChosen(int nCommand, int nValue);
    // A menu is about to open, or a pane was shown or hidden: the commands'
    // states are due.
    void StateDue();

private:
    QToolBar* AddToolBar(const QString& strName, const int* pIds, std::size_t nCount);
    QToolButton* AddPaletteButton(QToolBar* pBar, int nCommand, bool bFreehand);
    QToolButton* AddPaletteButton(QToolBar* pBar, int nCommand,
                                  std::span<const gw::SPaletteEntry> entries,
                                  QActionGroup*& pEntries);
    QWidget* Widget(int nId) const;

    QMainWindow& m_window;
    CActionTable& m_actions;
    QToolBar* m_pMainBar = nullptr;
    QToolBar* m_pCtrlBar = nullptr;
    QToolBar* m_pOtherToolsBar = nullptr;
    QToolBar* m_pViewBar = nullptr;
    QToolBar* m_pToolBox = nullptr;
    QToolButton* m_pSelectButton = nullptr;
    QToolButton* m_pFreehandButton = nullptr;
    QActionGroup* m_pSelectEntries = nullptr;
    QActionGroup* m_pFreehandEntries = nullptr;
    QDockWidget* m_pCharDock = nullptr;
    QDockWidget* m_pColorDock = nullptr;
    QDockWidget* m_pFrameDock = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pPosPane = nullptr;
    QToolButton* m_pMirrorButton = nullptr;
    QActionGroup* m_pMirrorEntries = nullptr;
    QLabel* m_pMirrorPane = nullptr;
};
