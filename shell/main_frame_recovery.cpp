// Getting work back at start-up: the copies of programs that did not exit
// cleanly are offered, and one can become the drawing in the window.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/ruler_corner_view.h"
#include "core/recovery_store.h"
#include "res/app_strings.h"
#include "shell/autosave.h"
#include "shell/recovery_dlg.h"
#include "ui/message_box.h"

#include <QFileInfo>
#include <QLabel>

namespace {

void ShowStatusNote(QLabel* pPane, const QString& strText)
{
    pPane->setText(strText);
    GwLogForScripts("status", strText);
}

} // namespace

void CMainFrame::OfferRecovery()
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
    CRecoveryDlg dlg(std::move(vEntries), this);
    if (dlg.exec() == QDialog::Accepted) {
        RestoreRecoveryCopy(dlg.Chosen());
    }
}

bool CMainFrame::RestoreRecoveryCopy(const CRecoveryEntry& entry)
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
        m_pView->SetBackColor(*entry.crBack);
        RulerCorner()->SetBackColor(m_pView->GetBackColor());
        RulerCorner()->update();
        m_pView->Refresh(CArtView::REFRESH_ALL);
    }
    UpdateTitle();
    UpdateCommandUI();
    // The crashed program's copy is the only one until this session has
    // written its own; removing it first would lose the work to a crash in
    // between, or for good when this session cannot write.
    QString strError;
    if (!m_pAutosave->WriteNow(&strError)) {
        ShowStatusNote(m_pMessagePane,
                       QStringLiteral("The recovered copy is kept: %1").arg(strError));
        return true;
    }
    if (!DiscardCopy(entry)) {
        ShowStatusNote(m_pMessagePane, QStringLiteral("The recovered copy could not be removed."));
    }
    return true;
}
