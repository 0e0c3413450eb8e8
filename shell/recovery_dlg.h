// "Recover Drawings": the copies that programs which did not exit cleanly
// left in the recovery folder, offered at start-up. A copy can be restored
// into the window (closing the dialog), discarded, or left for next time.
#pragma once

#include "core/recovery_store.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

class CRecoveryDlg : public QDialog {
    Q_OBJECT

public:
    explicit CRecoveryDlg(std::vector<CRecoveryEntry> vEntries, QWidget* pParent = nullptr);

    // After exec() returned Accepted: the copy to restore.
    const CRecoveryEntry& Chosen() const { return m_vEntries[static_cast<std::size_t>(m_nChosen)]; }
    // The copies still listed (discarded ones are gone).
    const std::vector<CRecoveryEntry>& Entries() const { return m_vEntries; }

    QTreeWidget* List() const { return m_pList; }
    QPushButton* RestoreButton() const { return m_pRestore; }
    QPushButton* DiscardButton() const { return m_pDiscard; }
    QPushButton* LaterButton() const { return m_pLater; }

    // The name a copy is listed under: its drawing's file name or "Untitled",
    // marked when damaged.
    static QString EntryName(const CRecoveryEntry& entry);

private:
    void Fill();
    void UpdateButtons();
    void OnRestore();
    void OnDiscard();
    int SelectedIndex() const;

    std::vector<CRecoveryEntry> m_vEntries;
    int m_nChosen = -1;
    QTreeWidget* m_pList;
    QPushButton* m_pRestore;
    QPushButton* m_pDiscard;
    QPushButton* m_pLater;
};
