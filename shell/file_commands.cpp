#include "shell/file_commands.h"

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/gwp_reader.h"
#include "core/gwp_writer.h"
#include "core/recovery_store.h"
#include "res/app_strings.h"
#include "shell/autosave.h"
#include "shell/canvas_size_dlg.h"
#include "shell/load_progress.h"
#include "shell/recovery_dlg.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"

#include <QDir>
#include <QFileInfo>

#include <string>
#include <utility>

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

CFileCommands::CFileCommands(CArtDoc& doc, CArtView& view, IFileCommandsHost& host, QWidget* pParent)
    : m_doc(doc), m_view(view), m_host(host), m_pParent(pParent)
{
}

bool CFileCommands::HasUnsavedWork() const
{
    return m_doc.IsModified() || m_view.HasPendingEdits();
}

bool CFileCommands::SaveModified()
{
    if (!HasUnsavedWork()) {
        return true;
    }
    switch (GwSavePrompt(m_pParent, QString::fromStdString(m_doc.GetTitle()))) {
    case QMessageBox::Yes:
        OnFileSave();
        return !HasUnsavedWork();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

void CFileCommands::OnFileNew()
{
    if (!PrepareToReplace()) {
        return;
    }
    CCanvasSizeDlg dlg(m_pParent);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_doc.SetCanvasSize(dlg.m_nRows, dlg.m_nCols);
    m_doc.OnNewDocument();
    m_doc.SetPathName({});
    m_doc.SetTitle(gw::IDS_UNTITLED);
    m_view.OnInitialUpdate();
    m_doc.SetModifiedFlag(false);
    if (CAutosave* pAutosave = m_host.Autosave())
        pAutosave->Discard();
    m_host.UpdateTitle();
}

bool CFileCommands::PrepareToReplace()
{
    // Settled first, so the prompt asks about what is on screen.
    m_view.EndPendingEdit();
    m_host.ChooseTool(TOOL_CURSOR);
    // The modified flag is left alone: the command can still be cancelled
    // (a dialog, a file that cannot be read), and the drawing it keeps is
    // then as unsaved as before. Each command clears it once replaced.
    return SaveModified();
}

void CFileCommands::OnFileOpen()
{
    if (!PrepareToReplace()) {
        return;
    }
    const QString strPath = AskOpenPath(m_pParent, Local(gw::IDS_FILTER_OPEN));
    if (strPath.isEmpty()) {
        return;
    }
    ReadDocumentFile(strPath, QFileInfo(strPath).completeBaseName());
}

void CFileCommands::ShowPictureAtStart(const QString& strPath)
{
    CGwpFile file;
    if (file.Open(QFileInfo(strPath).absoluteFilePath().toStdString(), nullptr) != EGwpOpen::Ok)
        return;
    const CGwpHeader& header = file.Header();
    std::string strFrame(header.FrameBytes(), '\0');
    std::string strError;
    if (header.nFrames < 1 || !file.ReadFrames(header.nFrames - 1, 1, strFrame.data(), &strError))
        return;
    CLoadedFrames frames;
    const CGwpImage image{1, header.nCols, header.nRows, strFrame};
    if (GwpBuildFrames(image, &frames, nullptr) != EGwpLoad::Ok)
        return;
    const int nBlankRows = m_doc.GetRows();
    const int nBlankCols = m_doc.GetCols();
    m_view.EndPendingEdit();
    if (!m_doc.AdoptFrames(frames))
        return;
    m_bStartPicture = true;
    m_nBlankRows = nBlankRows;
    m_nBlankCols = nBlankCols;
    m_view.OnDrawingLoaded();
    m_host.DrawingLoaded();
}

void CFileCommands::OpenAtStart(const QString& strPath)
{
    const bool bStartPicture = std::exchange(m_bStartPicture, false);
    // Nobody chose this name in a dialog: a name that leads nowhere is said,
    // and the blank drawing stays.
    const QFileInfo info(strPath);
    if (PrepareToReplace() &&
        ReadDocumentFile(info.absoluteFilePath(), TitleFromName(info.fileName()), true))
        return;
    if (bStartPicture) {
        // The file's one frame on screen was never the drawing: the blank
        // one the window started with comes back.
        m_view.EndPendingEdit();
        m_doc.SetCanvasSize(m_nBlankRows, m_nBlankCols);
        m_doc.OnNewDocument();
        m_doc.SetPathName({});
        m_doc.SetTitle(gw::IDS_UNTITLED);
        m_view.OnInitialUpdate();
        m_doc.SetModifiedFlag(false);
        m_host.DrawingLoaded();
        m_host.UpdateTitle();
    }
}

// The file is checked and every frame read before the drawing on screen is
// touched: a file that cannot be read, a load that runs out of memory or one
// the user cancels leaves the previous drawing as it was.
bool CFileCommands::ReadDocumentFile(const QString& strPath, const QString& strTitle, bool bReportUnreadable)
{
    if (!LoadDocumentFrames(strPath, strTitle, bReportUnreadable)) {
        return false;
    }
    m_doc.SetPathName(strPath.toStdString());
    m_doc.SetTitle(strTitle.toStdString());
    m_doc.SetModifiedFlag(false);
    if (CAutosave* pAutosave = m_host.Autosave())
        pAutosave->Discard();
    m_host.UpdateTitle();
    m_host.UpdateCommandUI();
    return true;
}

bool CFileCommands::LoadDocumentFrames(const QString& strPath, const QString& strTitle,
                                    bool bReportUnreadable)
{
    CGwpFile file;
    std::string strMessage;
    const EGwpOpen opened = file.Open(strPath.toStdString(), &strMessage);
    if (opened == EGwpOpen::Unreadable) {
        // A file that cannot be opened ends the command silently.
        if (bReportUnreadable) {
            GwMessageBox(m_pParent, QStringLiteral("%1 could not be read: %2")
                                   .arg(QDir::toNativeSeparators(strPath),
                                        QString::fromStdString(strMessage)));
        }
        return false;
    }
    if (opened != EGwpOpen::Ok) {
        GwMessageBox(m_pParent, QString::fromStdString(strMessage));
        return false;
    }
    CLoadedFrames frames;
    EGwpLoad loaded;
    {
        CLoadProgress progress(m_pParent, strTitle, m_fnLoadProgressHook);
        loaded = GwpReadFrames(file, &frames, &strMessage,
                               [&](int nDone, int nTotal) { return progress(nDone, nTotal); });
    }
    file.Close();
    if (loaded == EGwpLoad::Cancelled) {
        return false;
    }
    if (loaded != EGwpLoad::Ok) {
        GwMessageBox(m_pParent, QString::fromStdString(strMessage));
        return false;
    }
    // The frames are replaced only with no step open.
    m_view.EndPendingEdit();
    if (!m_doc.AdoptFrames(frames)) {
        return false;
    }
    m_view.OnDrawingLoaded();
    m_host.DrawingLoaded();
    return true;
}

void CFileCommands::OnDropFiles(const QStringList& vPaths)
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
    m_view.Refresh(CArtView::REFRESH_ALL);
    m_pParent->activateWindow();
}

bool CFileCommands::SaveDocumentTo(const QString& strPath)
{
    // Settled only once the path is known: a cancelled dialog leaves the
    // block floating.
    m_view.EndPendingEdit();
    std::string strError;
    if (!GwpSaveDocument(m_doc, strPath.toStdString(), &strError)) {
        GwMessageBox(m_pParent, QStringLiteral("The drawing was not saved to %1: %2")
                               .arg(QDir::toNativeSeparators(strPath),
                                    QString::fromStdString(strError)));
        return false;
    }
    m_doc.SetPathName(strPath.toStdString());
    m_doc.SetTitle(QFileInfo(strPath).completeBaseName().toStdString());
    if (CAutosave* pAutosave = m_host.Autosave())
        pAutosave->Discard();
    m_host.UpdateTitle();
    return true;
}

void CFileCommands::OnFileSave()
{
    if (m_doc.GetPathName().empty()) {
        OnFileSaveAs();
        return;
    }
    SaveDocumentTo(QString::fromStdString(m_doc.GetPathName()));
}

void CFileCommands::OnFileSaveAs()
{
    const QString strPath = AskSavePath(m_pParent, Local(gw::IDS_FILTER_GWP), Local(gw::IDS_EXT_GWP),
                                        QString::fromStdString(m_doc.GetPathName().empty()
                                                                   ? m_doc.GetTitle()
                                                                   : m_doc.GetPathName()));
    if (!strPath.isEmpty()) {
        SaveDocumentTo(strPath);
    }
}

// Getting work back at start-up: the copies of programs that did not exit
// cleanly are offered, and one can become the drawing in the window.
void CFileCommands::OfferRecovery()
{
    const std::string strFolder = CAutosave::DefaultFolder().toStdString();
    RemoveLeftovers(strFolder);
    std::vector<CRecoveryEntry> vEntries = FindOrphanedCopies(strFolder);
    if (vEntries.empty()) {
        return;
    }
    for (const CRecoveryEntry& entry : vEntries) {
        GwLogForScripts("recovery offer", CRecoveryDlg::EntryName(entry));
    }
    CRecoveryDlg dlg(std::move(vEntries), m_pParent);
    if (dlg.exec() == QDialog::Accepted) {
        RestoreRecoveryCopy(dlg.Chosen());
    }
}

bool CFileCommands::RestoreRecoveryCopy(const CRecoveryEntry& entry)
{
    if (!PrepareToReplace()) {
        return false;
    }
    const QString strOriginal = QString::fromStdString(entry.strOriginalPath);
    const QString strTitle = strOriginal.isEmpty() ? QString::fromLatin1(gw::IDS_UNTITLED)
                                                   : QFileInfo(strOriginal).completeBaseName();
    if (!LoadDocumentFrames(QString::fromStdString(entry.strCopyPath), strTitle, true)) {
        return false;
    }
    // The drawing is the unsaved work it was: the original file is written
    // only when the user saves.
    m_doc.SetPathName(entry.strOriginalPath);
    m_doc.SetTitle(strTitle.toStdString());
    m_doc.SetModifiedFlag(true);
    // The background the drawing was made on, set as the colour picker sets
    // it; a copy that kept none leaves the current one.
    if (entry.crBack) {
        m_view.SetBackColor(*entry.crBack);
        m_host.BackColorRestored();
        m_view.Refresh(CArtView::REFRESH_ALL);
    }
    m_host.UpdateTitle();
    m_host.UpdateCommandUI();
    // The crashed program's copy is the only one until this session has
    // written its own; removing it first would lose the work to a crash in
    // between, or for good when this session cannot write.
    QString strError;
    CAutosave* pAutosave = m_host.Autosave();
    if (!pAutosave || !pAutosave->WriteNow(&strError)) {
        m_host.ShowStatusNote(QStringLiteral("The recovered copy is kept: %1").arg(strError));
        return true;
    }
    if (!DiscardCopy(entry)) {
        m_host.ShowStatusNote(QStringLiteral("The recovered copy could not be removed."));
    }
    return true;
}
