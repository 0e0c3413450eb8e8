#include "core/art_doc.h"

#include "core/backup_store.h"
#include "core/gwp_file.h"
#include "core/safe_file.h"

#include <algorithm>

CArtDoc::CArtDoc() = default;

CArtDoc::~CArtDoc()
{
    BackupReleaseAll();
    DestroyFrameStores();
}

// Frames that are gone for good take their stores with them; a store's id is
// never used again.
void CArtDoc::DestroyFrameStores()
{
    for (const auto& [nKey, nId] : m_mapHistories)
        if (nId != m_nCurHistory)
            BackupDestroy(static_cast<unsigned>(nId));
    if (m_nCurHistory != 0)
        BackupDestroy(static_cast<unsigned>(m_nCurHistory));
    m_nCurHistory = 0;
}

bool CArtDoc::OnNewDocument()
{
    if (!CDocumentBase::OnNewDocument())
        return false;
    BackupReleaseAll();
    DestroyFrameStores();
    m_mapFrames.clear();
    m_mapHistories.clear();
    m_nNextFrameKey = 0;
    m_pCurCells = nullptr;
    NewFrame();
    return true;
}

bool CArtDoc::OnSaveDocument(const std::string& strPath, std::string* pError)
{
    const auto write = [this](std::ostream& os) {
        GwpWrite(os, *this);
        return !os.fail();
    };
    if (!SaveFileSafely(strPath, write, pError))
        return false;
    SetModifiedFlag(false);
    return true;
}

CharCell* CArtDoc::NewFrame()
{
    if (!CanAddFrame())
        return nullptr;
    const unsigned nId = BackupCreate();
    m_nCurHistory = static_cast<int>(nId);
    // The allocation is a step of its own, committed and sealed at once, so
    // no undo can take the frame's memory away.
    BackupBegin(nId);
    void* pCells = BackupAlloc(static_cast<unsigned>(GetCellCount() * sizeof(CharCell)), nId);
    BackupCommit(nId);
    BackupSeal(nId);
    m_pCurCells = static_cast<CharCell*>(pCells);
    return m_pCurCells;
}

int CArtDoc::RegisterFrame()
{
    const int nKey = m_nNextFrameKey++;
    m_mapFrames[nKey] = m_pCurCells;
    m_mapHistories[nKey] = m_nCurHistory;
    return nKey;
}

void CArtDoc::DeleteFrame(int nKey)
{
    const auto it = m_mapHistories.find(nKey);
    if (it == m_mapHistories.end())
        return;
    BackupDestroy(static_cast<unsigned>(it->second));
    m_mapFrames.erase(nKey);
    m_mapHistories.erase(it);
}

void CArtDoc::SelectFrame(int nKey)
{
    const auto it = m_mapHistories.find(nKey);
    if (it == m_mapHistories.end())
        return;
    m_nCurHistory = it->second;
    m_pCurCells = m_mapFrames[nKey];
}

bool CArtDoc::CanUndo() const
{
    const auto nId = static_cast<unsigned>(m_nCurHistory);
    return nId != 0 && BackupCanUndo(nId) != 0 && BackupIsOpen(nId) == 0;
}

bool CArtDoc::CanRedo() const
{
    const auto nId = static_cast<unsigned>(m_nCurHistory);
    return nId != 0 && BackupCanRedo(nId) != 0 && BackupIsOpen(nId) == 0;
}

bool CArtDoc::OnEditUndo()
{
    if (!BackupSucceeded(BackupUndo(static_cast<unsigned>(m_nCurHistory))))
        return false;
    NotifyHistoryApplied();
    return true;
}

bool CArtDoc::OnEditRedo()
{
    if (!BackupSucceeded(BackupRedo(static_cast<unsigned>(m_nCurHistory))))
        return false;
    NotifyHistoryApplied();
    return true;
}

void CArtDoc::AddListener(IArtDocListener* pListener)
{
    m_vListeners.push_back(pListener);
}

void CArtDoc::RemoveListener(IArtDocListener* pListener)
{
    std::erase(m_vListeners, pListener);
}

void CArtDoc::NotifyHistoryApplied()
{
    for (IArtDocListener* pListener : m_vListeners)
        pListener->OnHistoryApplied();
}
