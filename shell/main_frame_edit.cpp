// The canvas's context menu, Exit and a dropped file.
#include "shell/main_frame.h"

#include "res/command_ids.h"
#include "shell/file_commands.h"

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
