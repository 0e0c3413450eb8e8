#include "core/edit_bracket.h"

#include "core/art_doc.h"
#include "core/backup_store.h"

void CEditBracket::BeginEdit()
{
    const auto nId = static_cast<unsigned>(m_doc.GetCurHistory());
    if (BackupIsOpen(nId) != 0)
        return; // an outer writer's step: write into it
    BackupBegin(nId);
    m_nEditHistory = BackupIsOpen(nId);
    m_nStore = m_doc.GetCurHistory();
}

void CEditBracket::EndEdit()
{
    if (m_nEditHistory == 0)
        return;
    // Close the step on the store it was opened on, even if another frame has
    // become current since; otherwise that frame would keep a step open.
    const auto nId = static_cast<unsigned>(m_nStore);
    if (BackupIsOpen(nId) == m_nEditHistory) {
        m_doc.SetModifiedFlag(true);
        BackupCommit(nId);
    }
    m_nEditHistory = 0;
    m_nStore = 0;
}

void CEditBracket::CancelEdit()
{
    if (m_nEditHistory == 0)
        return;
    const auto nId = static_cast<unsigned>(m_nStore);
    if (BackupIsOpen(nId) == m_nEditHistory)
        BackupCancel(nId);
    m_nEditHistory = 0;
    m_nStore = 0;
}

CUnrecordedEdit::CUnrecordedEdit(CArtDoc& doc) : m_nStore(doc.GetCurHistory())
{
    const auto nId = static_cast<unsigned>(m_nStore);
    if (BackupIsOpen(nId) == 0 && BackupSucceeded(BackupBegin(nId)))
        m_nOpened = BackupIsOpen(nId);
}

CUnrecordedEdit::~CUnrecordedEdit()
{
    const auto nId = static_cast<unsigned>(m_nStore);
    if (m_nOpened != 0 && BackupIsOpen(nId) == m_nOpened)
        BackupCancel(nId);
}
