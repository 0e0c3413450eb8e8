// The window's half of the update pass: the state the command table
// decides from, gathered afresh each time, and the palette buttons.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "res/command_ids.h"
#include "shell/action_table.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

using namespace gw;

void CMainFrame::UpdateCommandUI()
{
    if (!m_pActions || m_pActions->IsEmpty() || !m_pToolBox) {
        return; // still being built
    }
    SCommandState state;
    state.nCurTool = m_nCurTool;
    state.nFreehandTool = m_nFreehandTool;
    state.bAutoDraw = m_pView->m_bAutoDraw;
    state.bGridShown = m_pView && m_pView->IsGridShown();
    // Explicitly hidden rather than not visible: a bar of a window not yet
    // shown counts as shown.
    state.mapShown = {
        {ID_VIEW_TOOLBAR, !m_pMainBar->isHidden()},
        {ID_VIEW_STATUS_BAR, !statusBar()->isHidden()},
        {ID_VIEW_TOOLBOX, !m_pToolBox->isHidden()},
        {ID_VIEW_CTRLBAR, !m_pCtrlBar->isHidden()},
        {ID_VIEW_OTHERTOOLSBAR, !m_pOtherToolsBar->isHidden()},
        {ID_VIEW_VIEWBAR, !m_pViewBar->isHidden()},
        {ID_VIEW_CHAR_PICKER, !m_pCharDock->isHidden()},
        {ID_VIEW_FRAME_PANEL, !m_pFrameDock->isHidden()},
        {ID_VIEW_COLOR_PICKER, !m_pColorDock->isHidden()},
    };
    state.bFloating = HasFloatingSelection();
    state.bCanUndo = m_doc.CanUndo();
    state.bCanRedo = m_doc.CanRedo();
    state.bBlockInClipboard = HasBlockInClipboard();
    const QMimeData* pMime = QGuiApplication::clipboard()->mimeData();
    state.bClipboardText = pMime && pMime->hasText();
    m_pActions->Update(state);
    UpdatePaletteButtons();
}

// The Select and Freehand buttons show the image of the current mode, and
// their palettes mark it.
void CMainFrame::UpdatePaletteButtons()
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
    show(m_pSelectEntries, Action(ID_TOOL_SELECT), m_nSelectMode);
    show(m_pFreehandEntries, Action(ID_TOOL_FREEHAND), m_nFreehandTool);
}
