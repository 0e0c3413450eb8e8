#include "core/edit_bracket.h"

#include "core/art_doc.h"
#include "core/backup_store.h"

bool CEditBracket::BeginEdit()
{
    const auto nId = static_cast<unsigned>(m_doc.GetCurHistory());
    if (BackupIsOpen(nId) != 0)
        return true; // our own step still open, or an outer writer's: write into it
    if (!BackupSucceeded(BackupBegin(nId)))
        return false;
    m_nEditHistory = BackupIsOpen(nId);
    m_nStore = m_doc.GetCurHistory();
    return true;
}

EEditEnd CEditBracket::EndEdit()
{
    if (m_nEditHistory == 0)
        return EEditEnd::Closed;
    // Close the step on the store it was opened on, even if another frame has
    // become current since; otherwise that frame would keep a step open.
    const auto nId = static_cast<unsigned>(m_nStore);
    EEditEnd end = EEditEnd::Closed;
    if (BackupIsOpen(nId) == m_nEditHistory) {
        // A refused commit leaves the step exactly as it was: keeping the
        // writes without an undo step is the next best thing, and if even
        // that is refused the step stays ours, whole, for the next close.
        if (BackupSucceeded(BackupCommit(nId)))
            end = EEditEnd::Closed;
        else if (BackupSucceeded(BackupCancel(nId)))
            end = EEditEnd::Unrecorded;
        else
            return EEditEnd::StillOpen;
        m_doc.SetModifiedFlag(true);
    }
    m_nEditHistory = 0;
    m_nStore = 0;
    return end;
}

bool CEditBracket::CancelEdit()
{
    if (m_nEditHistory == 0)
        return true;
    const auto nId = static_cast<unsigned>(m_nStore);
    if (BackupIsOpen(nId) == m_nEditHistory && !BackupSucceeded(BackupCancel(nId)))
        return false;
    m_nEditHistory = 0;
    m_nStore = 0;
    return true;
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
    if (m_nOpened == 0 || BackupIsOpen(nId) != m_nOpened)
        return;
    // Refused, the step stays open: the frame is intact and the next writer
    // writes into it, which is better than writes that can never be undone
    // going unnoticed. The system refuses twice in a row only when it is
    // out of memory.
    if (!BackupSucceeded(BackupCancel(nId)))
        BackupCancel(nId);
}

bool CUnrecordedEdit::CanWrite() const
{
    return BackupIsOpen(static_cast<unsigned>(m_nStore)) != 0;
}
