// The command table of the window: one QAction per command id, made from
// the res level's command texts, icons and keys, and the update pass that
// sets every action's enabled and checked state from one snapshot of the
// window's state, rather than each handler keeping them in step.
#pragma once

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QWidget;

// What the update pass decides from: gathered by the window each time.
struct SCommandState {
    int nCurTool = 0;
    int nFreehandTool = 0;
    bool bAutoDraw = false;
    bool bGridShown = false;
    bool bOnionShown = false;
    int nMirrorMode = 0; // EMirrorMode's number
    // The View menu's bars and panes, by command id: explicitly hidden or not.
    std::map<int, bool> mapShown;
    bool bFloating = false; // a block floats on the canvas
    bool bCanUndo = false;
    bool bCanRedo = false;
    bool bBlockInClipboard = false; // the view's own clipboard holds a block
    bool bClipboardText = false;    // the system clipboard holds text
    bool bCanUndoFrameChange = false;
    bool bCanRedoFrameChange = false;
    bool bCanMoveFrameLeft = false;
    bool bCanMoveFrameRight = false;
};

class CActionTable : public QObject {
    Q_OBJECT

public:
    // The actions belong to pWindow, whose keys reach them even when no
    // visible menu or bar shows them.
    explicit CActionTable(QWidget* pWindow);

    // Makes the action of nId; triggering it runs fnHandler, then Ran().
    QAction* Add(int nId, std::function<void()> fnHandler);
    // Once every action is made: the tool and show/hide commands become
    // checkable, and Redo takes Ctrl+Y as well.
    void FinishSetup();

    // The action of a command id; null for an id the table does not have.
    QAction* Action(int nId) const;
    // Runs a command as if the user had chosen it.
    void Run(int nId);
    bool IsEmpty() const { return m_mapActions.empty(); }

    // The update pass.
    void Update(const SCommandState& state);

signals:
    // A command has run: the window's state may have changed.
    void Ran();

private:
    QWidget* m_pWindow;
    std::map<int, QAction*> m_mapActions;
};
