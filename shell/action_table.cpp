#include "shell/action_table.h"

#include "canvas/tool_codes.h"
#include "res/command_ids.h"
#include "res/command_table.h"

#include <QAction>
#include <QWidget>

using namespace gw;

CActionTable::CActionTable(QWidget* pWindow) : QObject(pWindow), m_pWindow(pWindow) {}

QAction* CActionTable::Add(int nId, std::function<void()> fnHandler)
{
    const SCommandInfo* pInfo = FindCommand(nId);
    auto* pAction = new QAction(m_pWindow);
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
    connect(pAction, &QAction::triggered, this, [this, fnHandler = std::move(fnHandler)] {
        fnHandler();
        emit Ran();
    });
    // Keys work even for commands shown in no visible menu or bar.
    m_pWindow->addAction(pAction);
    m_mapActions[nId] = pAction;
    return pAction;
}

void CActionTable::FinishSetup()
{
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
        ID_SHOW_GRID, ID_ONION_SKIN, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_TOOLBOX, ID_VIEW_CTRLBAR,
        ID_VIEW_OTHERTOOLSBAR, ID_VIEW_VIEWBAR, ID_VIEW_CHAR_PICKER, ID_VIEW_FRAME_PANEL,
        ID_VIEW_COLOR_PICKER, ID_MIRROR, ID_MIRROR_OFF, ID_MIRROR_LEFT_RIGHT, ID_MIRROR_TOP_BOTTOM,
        ID_MIRROR_FOUR_WAY};
    for (int nId : CHECKABLE) {
        if (QAction* pAction = Action(nId))
            pAction->setCheckable(true);
    }
}

QAction* CActionTable::Action(int nId) const
{
    const auto it = m_mapActions.find(nId);
    return it == m_mapActions.end() ? nullptr : it->second;
}

void CActionTable::Run(int nId)
{
    if (QAction* pAction = Action(nId)) {
        pAction->trigger();
    }
}

void CActionTable::Update(const SCommandState& state)
{
    const auto check = [this](int nId, bool bChecked) { Action(nId)->setChecked(bChecked); };
    // A table built for a test may lack some commands.
    const auto enable = [this](int nId, bool bEnabled) {
        if (QAction* pAction = Action(nId))
            pAction->setEnabled(bEnabled);
    };

    const int nTool = state.nCurTool;
    check(ID_TOOL_CURSOR, nTool == TOOL_CURSOR);
    check(ID_TOOL_SELECT, IsSelectTool(nTool));
    check(ID_TOOL_TYPE, nTool == TOOL_TYPE);
    check(ID_TOOL_FREEHAND, nTool == state.nFreehandTool);
    check(ID_TOOL_LINE, nTool == TOOL_LINE);
    check(ID_TOOL_CURVE, nTool == TOOL_CURVE);
    check(ID_TOOL_RECTANGLE, nTool == TOOL_RECTANGLE);
    check(ID_TOOL_ELLIPSE, nTool == TOOL_ELLIPSE);
    check(ID_TOOL_FILL, nTool == TOOL_FILL);
    check(ID_TOOL_PICK, nTool == TOOL_PICK);
    check(ID_TOOL_ERASE, nTool == TOOL_ERASE);

    check(ID_AUTO_DRAW, state.bAutoDraw);
    check(ID_SHOW_GRID, state.bGridShown);
    if (Action(ID_ONION_SKIN))
        check(ID_ONION_SKIN, state.bOnionShown);
    if (Action(ID_MIRROR)) {
        check(ID_MIRROR, state.nMirrorMode != 0);
        const int MIRROR_MODES[] = {ID_MIRROR_OFF, ID_MIRROR_LEFT_RIGHT, ID_MIRROR_TOP_BOTTOM,
                                    ID_MIRROR_FOUR_WAY};
        for (int nMode = 0; nMode < 4; ++nMode)
            check(MIRROR_MODES[nMode], state.nMirrorMode == nMode);
    }
    for (const auto& [nId, bShown] : state.mapShown) {
        check(nId, bShown);
    }

    // Undo takes a floating block's lift back; there is nothing to redo then.
    enable(ID_EDIT_UNDO, state.bFloating || state.bCanUndo);
    enable(ID_EDIT_REDO, !state.bFloating && state.bCanRedo);
    enable(ID_EDIT_CUT, state.bFloating);
    enable(ID_EDIT_COPY, state.bFloating);
    enable(ID_EDIT_DELETE, state.bFloating);
    enable(ID_EDIT_PASTE, state.bBlockInClipboard);
    enable(ID_PASTE_CLIPBOARD, state.bClipboardText);
    enable(ID_UNDO_FRAME_CHANGE, state.bCanUndoFrameChange);
    enable(ID_REDO_FRAME_CHANGE, state.bCanRedoFrameChange);
    enable(ID_MOVE_FRAME_LEFT, state.bCanMoveFrameLeft);
    enable(ID_MOVE_FRAME_RIGHT, state.bCanMoveFrameRight);
}
