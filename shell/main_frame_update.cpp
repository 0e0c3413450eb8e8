// The one update pass: every command's enabled and checked state, decided
// from the window's state each time rather than kept in step by the
// handlers.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "res/command_ids.h"

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
    if (m_mapActions.empty() || !m_pToolBox) {
        return; // still being built
    }
    const auto check = [this](int nId, bool bChecked) { Action(nId)->setChecked(bChecked); };
    const auto enable = [this](int nId, bool bEnabled) { Action(nId)->setEnabled(bEnabled); };

    check(ID_TOOL_CURSOR, m_nCurTool == TOOL_CURSOR);
    check(ID_TOOL_SELECT, IsSelectTool(m_nCurTool));
    check(ID_TOOL_TYPE, m_nCurTool == TOOL_TYPE);
    check(ID_TOOL_FREEHAND, m_nCurTool == m_nFreehandTool);
    check(ID_TOOL_LINE, m_nCurTool == TOOL_LINE);
    check(ID_TOOL_CURVE, m_nCurTool == TOOL_CURVE);
    check(ID_TOOL_RECTANGLE, m_nCurTool == TOOL_RECTANGLE);
    check(ID_TOOL_ELLIPSE, m_nCurTool == TOOL_ELLIPSE);
    check(ID_TOOL_FILL, m_nCurTool == TOOL_FILL);
    check(ID_TOOL_PICK, m_nCurTool == TOOL_PICK);
    check(ID_TOOL_ERASE, m_nCurTool == TOOL_ERASE);
    UpdatePaletteButtons();

    check(ID_AUTO_DRAW, m_pView->Drawing().IsAutoDraw());
    check(ID_SHOW_GRID, m_pView && m_pView->IsGridShown());

    // Explicitly hidden rather than not visible: a bar of a window not yet
    // shown counts as shown.
    check(ID_VIEW_TOOLBAR, !m_pMainBar->isHidden());
    check(ID_VIEW_STATUS_BAR, !statusBar()->isHidden());
    check(ID_VIEW_TOOLBOX, !m_pToolBox->isHidden());
    check(ID_VIEW_CTRLBAR, !m_pCtrlBar->isHidden());
    check(ID_VIEW_OTHERTOOLSBAR, !m_pOtherToolsBar->isHidden());
    check(ID_VIEW_VIEWBAR, !m_pViewBar->isHidden());
    check(ID_VIEW_CHAR_PICKER, !m_pCharDock->isHidden());
    check(ID_VIEW_FRAME_PANEL, !m_pFrameDock->isHidden());
    check(ID_VIEW_COLOR_PICKER, !m_pColorDock->isHidden());

    const bool bFloating = HasFloatingSelection();
    // Undo takes a floating block's lift back; there is nothing to redo then.
    enable(ID_EDIT_UNDO, bFloating || m_doc.CanUndo());
    enable(ID_EDIT_REDO, !bFloating && m_doc.CanRedo());
    enable(ID_EDIT_CUT, bFloating);
    enable(ID_EDIT_COPY, bFloating);
    enable(ID_EDIT_DELETE, bFloating);
    enable(ID_EDIT_PASTE, HasBlockInClipboard());
    const QMimeData* pMime = QGuiApplication::clipboard()->mimeData();
    enable(ID_PASTE_CLIPBOARD, pMime && pMime->hasText());
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
