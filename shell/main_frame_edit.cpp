// The Edit commands, which work on the view's floating block and the
// document's history, the canvas's context menu, Exit and a dropped file.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "shell/file_commands.h"
#include "ui/message_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (pEvent->mimeData()->hasUrls()) {
        pEvent->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    // Only the first item counts, and only when it is a local file.
    QStringList vPaths;
    const QList<QUrl> vUrls = pEvent->mimeData()->urls();
    if (!vUrls.isEmpty() && vUrls.first().isLocalFile()) {
        vPaths.append(vUrls.first().toLocalFile());
    }
    pEvent->acceptProposedAction();
    m_pFiles->OnDropFiles(vPaths);
    UpdateCommandUI();
}

void CMainFrame::OnAppExit()
{
    close();
}

// The view repaints through the document's listener. A step that could
// not be applied is still there to apply: the system refused, and the
// frame is as it was.
void CMainFrame::OnEditUndo()
{
    // A floating block's lift is still an open step, which the history cannot
    // undo: the selection takes it back itself.
    if (HasFloatingSelection()) {
        m_pView->Selection().CancelLift();
        return;
    }
    if (!m_doc.OnEditUndo() && m_doc.CanUndo())
        GwMessageBox(this, QString::fromLatin1(gw::IDS_UNDO_REFUSED));
}

void CMainFrame::OnEditRedo()
{
    if (!m_doc.OnEditRedo() && m_doc.CanRedo())
        GwMessageBox(this, QString::fromLatin1(gw::IDS_REDO_REFUSED));
}

// The floating block and the internal clipboard are the view's.
bool CMainFrame::HasFloatingSelection() const { return m_pView->Selection().IsFloating(); }
bool CMainFrame::HasBlockInClipboard() const { return m_pView->Selection().HasClipboard(); }
void CMainFrame::OnEditCut() { m_pView->Selection().Cut(); }
void CMainFrame::OnEditCopy() { m_pView->Selection().Copy(); }
void CMainFrame::OnEditPaste() { m_pView->Selection().Paste(); }
void CMainFrame::OnPasteClipboard() { m_pView->PasteClipboard(); }
void CMainFrame::OnEditDelete() { m_pView->Selection().Delete(); }

void CMainFrame::OpenCanvasMenu(const QPoint& ptGlobal)
{
    if (!m_pCanvasMenu) {
        m_pCanvasMenu = new QMenu(this);
        m_pCanvasMenu->setObjectName(QStringLiteral("canvasMenu"));
        for (const int nId : {gw::ID_EDIT_UNDO, gw::ID_EDIT_REDO, 0, gw::ID_EDIT_CUT, gw::ID_EDIT_COPY,
                              gw::ID_EDIT_PASTE, gw::ID_PASTE_CLIPBOARD, gw::ID_EDIT_DELETE}) {
            if (nId == 0)
                m_pCanvasMenu->addSeparator();
            else
                m_pCanvasMenu->addAction(Action(nId));
        }
    }
    UpdateCommandUI();
    m_pCanvasMenu->popup(ptGlobal);
}
