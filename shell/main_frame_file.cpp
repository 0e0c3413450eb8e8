// The file commands: New, Open, dropping a file, Save, Save As and Exit.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"
#include "res/app_strings.h"
#include "res/command_ids.h"
#include "shell/autosave.h"
#include "shell/canvas_size_dlg.h"
#include "ui/file_dialogs.h"
#include "shell/load_progress.h"
#include "ui/message_box.h"

#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

QString Local(const char* psz)
{
    return QString::fromLatin1(psz);
}

// The file name less its last four characters: the extension the drop test
// and the command line are known to carry.
QString TitleFromName(const QString& strName)
{
    return strName.chopped(qMin<qsizetype>(4, strName.size()));
}

} // namespace

bool CMainFrame::SaveModified()
{
    if (!HasUnsavedWork()) {
        return true;
    }
    switch (GwSavePrompt(this, QString::fromStdString(m_doc.GetTitle()))) {
    case QMessageBox::Yes:
        OnFileSave();
        return !HasUnsavedWork();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnFileNew()
{
    if (!PrepareToReplace()) {
        return;
    }
    CCanvasSizeDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_doc.SetCanvasSize(dlg.m_nRows, dlg.m_nCols);
    m_doc.OnNewDocument();
    m_doc.SetPathName({});
    m_doc.SetTitle(gw::IDS_UNTITLED);
    m_pView->OnInitialUpdate();
    m_doc.SetModifiedFlag(false);
    m_pAutosave->Discard();
    UpdateTitle();
}

bool CMainFrame::PrepareToReplace()
{
    // Settled first, so the prompt asks about what is on screen.
    CommitPendingEdits();
    ChooseTool(TOOL_CURSOR);
    // The modified flag is left alone: the command can still be cancelled
    // (a dialog, a file that cannot be read), and the drawing it keeps is
    // then as unsaved as before. Each command clears it once replaced.
    return SaveModified();
}

void CMainFrame::OnFileOpen()
{
    if (!PrepareToReplace()) {
        return;
    }
    const QString strPath = AskOpenPath(this, Local(gw::IDS_FILTER_OPEN));
    if (strPath.isEmpty()) {
        return;
    }
    ReadDocumentFile(strPath, QFileInfo(strPath).completeBaseName());
}

void CMainFrame::OpenAtStart(const QString& strPath)
{
    if (!PrepareToReplace()) {
        return;
    }
    // Nobody chose this name in a dialog: a name that leads nowhere is said,
    // and the blank drawing stays.
    const QFileInfo info(strPath);
    ReadDocumentFile(info.absoluteFilePath(), TitleFromName(info.fileName()), true);
}

// The file is checked and every frame read before the drawing on screen is
// touched: a file that cannot be read, a load that runs out of memory or one
// the user cancels leaves the previous drawing as it was.
void CMainFrame::ReadDocumentFile(const QString& strPath, const QString& strTitle, bool bReportUnreadable)
{
    if (!LoadDocumentFrames(strPath, strTitle, bReportUnreadable)) {
        return;
    }
    m_doc.SetPathName(strPath.toStdString());
    m_doc.SetTitle(strTitle.toStdString());
    m_doc.SetModifiedFlag(false);
    m_pAutosave->Discard();
    UpdateTitle();
    UpdateCommandUI();
}

bool CMainFrame::LoadDocumentFrames(const QString& strPath, const QString& strTitle,
                                    bool bReportUnreadable)
{
    CGwpFile file;
    std::string strMessage;
    const EGwpOpen opened = file.Open(strPath.toStdString(), &strMessage);
    if (opened == EGwpOpen::Unreadable) {
        // A file that cannot be opened ends the command silently.
        if (bReportUnreadable) {
            GwMessageBox(this, QStringLiteral("%1 could not be read: %2")
                                   .arg(QDir::toNativeSeparators(strPath),
                                        QString::fromStdString(strMessage)));
        }
        return false;
    }
    if (opened != EGwpOpen::Ok) {
        GwMessageBox(this, QString::fromStdString(strMessage));
        return false;
    }
    CLoadedFrames frames;
    EGwpLoad loaded;
    {
        CLoadProgress progress(this, strTitle, m_fnLoadProgressHook);
        loaded = GwpReadFrames(file, &frames, &strMessage,
                               [&](int nDone, int nTotal) { return progress(nDone, nTotal); });
    }
    file.Close();
    if (loaded == EGwpLoad::Cancelled) {
        return false;
    }
    if (loaded != EGwpLoad::Ok) {
        GwMessageBox(this, QString::fromStdString(strMessage));
        return false;
    }
    // The frames are replaced only with no step open.
    CommitPendingEdits();
    if (!m_doc.AdoptFrames(frames)) {
        return false;
    }
    m_pView->OnDrawingLoaded();
    m_pFrames->AddLoadedFrames();
    return true;
}

void CMainFrame::OnDropFiles(const QStringList& vPaths)
{
    // Only the first file counts; the others are not documents this window
    // could hold at once.
    if (vPaths.isEmpty() || !vPaths.first().endsWith(QStringLiteral("gwp"), Qt::CaseSensitive)) {
        return;
    }
    const QString& strPath = vPaths.first();
    if (!PrepareToReplace()) {
        return;
    }
    ReadDocumentFile(strPath, TitleFromName(QFileInfo(strPath).fileName()));
    m_pView->Refresh(CArtView::REFRESH_ALL);
    activateWindow();
}

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
    OnDropFiles(vPaths);
    UpdateCommandUI();
}

bool CMainFrame::SaveDocumentTo(const QString& strPath)
{
    // Settled only once the path is known: a cancelled dialog leaves the
    // block floating.
    CommitPendingEdits();
    std::string strError;
    if (!GwpSaveDocument(m_doc, strPath.toStdString(), &strError)) {
        GwMessageBox(this, QStringLiteral("The drawing was not saved to %1: %2")
                               .arg(QDir::toNativeSeparators(strPath),
                                    QString::fromStdString(strError)));
        return false;
    }
    m_doc.SetPathName(strPath.toStdString());
    m_doc.SetTitle(QFileInfo(strPath).completeBaseName().toStdString());
    m_pAutosave->Discard();
    UpdateTitle();
    return true;
}

void CMainFrame::OnFileSave()
{
    if (m_doc.GetPathName().empty()) {
        OnFileSaveAs();
        return;
    }
    SaveDocumentTo(QString::fromStdString(m_doc.GetPathName()));
}

void CMainFrame::OnFileSaveAs()
{
    const QString strPath = AskSavePath(this, Local(gw::IDS_FILTER_GWP), Local(gw::IDS_EXT_GWP),
                                        QString::fromStdString(m_doc.GetPathName().empty()
                                                                   ? m_doc.GetTitle()
                                                                   : m_doc.GetPathName()));
    if (!strPath.isEmpty()) {
        SaveDocumentTo(strPath);
    }
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
