#include "core/art_doc.h"

#include "core/backup_store.h"
#include "core/loaded_frames.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Destroys one of the drawing's stores. A step left open on it is cancelled
// first: its frame is going, so nothing the step wrote is worth keeping.
// False when the store is still there (its step could not be cancelled).
bool DestroyStore(int nHistory)
{
    const auto nId = static_cast<unsigned>(nHistory);
    if (BackupIsOpen(nId) != 0 && !BackupSucceeded(BackupCancel(nId)))
        return false;
    const unsigned nStatus = BackupDestroy(nId);
    return BackupSucceeded(nStatus) || nStatus == BACKUP_E_NO_STORE;
}

} // namespace

CArtDoc::CArtDoc() = default;

CArtDoc::~CArtDoc()
{
    DestroyFrameStores();
}

// Frames that are gone for good take their stores with them; a store's id is
// never used again. Only the document's own stores go: others (another
// document's, frames being read from a file) are not its to touch.
void CArtDoc::DestroyFrameStores()
{
    m_history.Clear();
    for (const auto& [nKey, nId] : m_mapHistories)
        if (nId != m_nCurHistory)
            DestroyStore(nId);
    if (m_nCurHistory != 0)
        DestroyStore(m_nCurHistory);
    m_nCurHistory = 0;
    m_mapResting.clear();
    m_vAwakeSmall.clear();
}

bool CArtDoc::AnyStepOpen() const
{
    if (m_nCurHistory != 0 && BackupIsOpen(static_cast<unsigned>(m_nCurHistory)) != 0)
        return true;
    return std::any_of(m_mapHistories.begin(), m_mapHistories.end(), [](const auto& entry) {
        return BackupIsOpen(static_cast<unsigned>(entry.second)) != 0;
    });
}

bool CArtDoc::OnNewDocument()
{
    if (!CDocumentBase::OnNewDocument())
        return false;
    DestroyFrameStores();
    m_order.Clear();
    m_mapHistories.clear();
    m_nNextFrameKey = 0;
    m_pCurCells = nullptr;
    m_nRows = m_nNewRows;
    m_nCols = m_nNewCols;
    NewFrame();
    return true;
}

CharCell* CArtDoc::NewFrame()
{
    if (!CanAddFrame())
        return nullptr;
    const unsigned nId = BackupCreate();
    // The allocation is a step of its own, committed and sealed at once, so
    // no undo can take the frame's memory away. When memory runs out the
    // store goes again and the current frame stays what it was.
    void* pCells = nullptr;
    try {
        pCells = BackupAllocSealed(static_cast<unsigned>(GetCellCount() * sizeof(CharCell)), nId);
    } catch (...) {
        BackupDestroy(nId);
        throw;
    }
    m_nCurHistory = static_cast<int>(nId);
    m_pCurCells = static_cast<CharCell*>(pCells);
    return m_pCurCells;
}

bool CArtDoc::IsSmallFrame() const
{
    return std::size_t(GetCellCount()) * sizeof(CharCell) < RESTING_MAX_BYTES;
}

bool CArtDoc::WakeFrame(int nKey)
{
    const auto it = m_mapResting.find(nKey);
    if (it == m_mapResting.end())
        return true;
    const std::size_t nBytes = std::size_t(GetCellCount()) * sizeof(CharCell);
    const CharCell* pFrom = it->second.get();
    const unsigned nId = BackupCreate();
    void* pCells = nullptr;
    try {
        m_vAwakeSmall.reserve(m_vAwakeSmall.size() + 1);
        pCells = BackupAllocSealed(static_cast<unsigned>(nBytes), nId,
                                   [&](void* p) { std::memcpy(p, pFrom, nBytes); });
    } catch (...) {
        BackupDestroy(nId);
        return false;
    }
    m_order.SetCells(nKey, static_cast<CharCell*>(pCells));
    m_mapHistories[nKey] = static_cast<int>(nId);
    m_mapResting.erase(it);
    m_vAwakeSmall.push_back(nKey);
    return true;
}

void CArtDoc::RestIdleFrames()
{
    const std::size_t nCells = static_cast<std::size_t>(GetCellCount());
    std::erase_if(m_vAwakeSmall, [&](int nKey) {
        const auto it = m_mapHistories.find(nKey);
        if (it == m_mapHistories.end())
            return true; // deleted
        const auto nId = static_cast<unsigned>(it->second);
        if (it->second == m_nCurHistory || BackupIsOpen(nId) != 0 || BackupCanUndo(nId) != 0 ||
            BackupCanRedo(nId) != 0)
            return false;
        std::shared_ptr<CharCell[]> pCells;
        try {
            pCells.reset(new CharCell[nCells]);
            m_mapResting.emplace(nKey, pCells);
        } catch (const std::bad_alloc&) {
            return false; // stays awake
        }
        std::memcpy(pCells.get(), m_order.at(nKey), nCells * sizeof(CharCell));
        if (!BackupSucceeded(BackupDestroy(nId))) {
            m_mapResting.erase(nKey);
            return false;
        }
        m_order.SetCells(nKey, pCells.get());
        it->second = 0;
        return true;
    });
}

std::shared_ptr<const CharCell[]> CArtDoc::GetRestingCells(int nKey) const
{
    const auto it = m_mapResting.find(nKey);
    return it == m_mapResting.end() ? nullptr : it->second;
}

bool CArtDoc::AdoptFrames(CLoadedFrames& frames)
{
    if (frames.vFrames.empty() || frames.vFrames.size() > std::size_t(MAX_FRAME_KEY_COUNT))
        return false;
    if (AnyStepOpen())
        return false;
    CDocumentBase::OnNewDocument();
    DestroyFrameStores();
    m_order.Clear();
    m_mapHistories.clear();
    // A later New keeps the size read, unless another one is set.
    m_nRows = m_nNewRows = frames.nRows;
    m_nCols = m_nNewCols = frames.nCols;
    m_nNextFrameKey = 0;
    // Keys in ascending order: each insertion goes at the end of the map.
    for (std::size_t i = 0; i < frames.vFrames.size(); ++i) {
        const auto& [nId, pCells] = frames.vFrames[i];
        m_order.Insert(m_nNextFrameKey, m_nNextFrameKey, pCells);
        m_mapHistories.emplace_hint(m_mapHistories.end(), m_nNextFrameKey, static_cast<int>(nId));
        if (nId == 0)
            m_mapResting.emplace_hint(m_mapResting.end(), m_nNextFrameKey, frames.vResting.at(i));
        ++m_nNextFrameKey;
    }
    frames.vFrames.clear();
    frames.vResting.clear();
    SelectFrame(m_nNextFrameKey - 1);
    SetModifiedFlag(false);
    return true;
}

int CArtDoc::RegisterFrame()
{
    const int nKey = m_nNextFrameKey++;
    m_order.Insert(GetFrameCount(), nKey, m_pCurCells);
    m_mapHistories[nKey] = m_nCurHistory;
    if (IsSmallFrame()) {
        try {
            m_vAwakeSmall.push_back(nKey);
        } catch (const std::bad_alloc&) {
            // It keeps its store: only memory is at stake.
        }
    }
    return nKey;
}

bool CArtDoc::DeleteFrame(int nKey)
{
    const auto it = m_mapHistories.find(nKey);
    if (it == m_mapHistories.end() || (it->second != 0 && !DestroyStore(it->second)))
        return false;
    m_order.Erase(nKey);
    m_mapHistories.erase(it);
    m_mapResting.erase(nKey);
    // The history's positions no longer fit the drawing.
    m_history.Clear();
    return true;
}

void CArtDoc::SelectFrame(int nKey)
{
    if (m_mapHistories.find(nKey) == m_mapHistories.end())
        return;
    WakeFrame(nKey);
    m_nCurHistory = m_mapHistories[nKey];
    m_pCurCells = m_order.at(nKey);
}

CharCell* CArtDoc::GetFrameCells(int nKey) const
{
    return m_order.count(nKey) != 0 ? m_order.at(nKey) : nullptr;
}

int CArtDoc::GetFrameHistory(int nKey) const
{
    const auto it = m_mapHistories.find(nKey);
    return it == m_mapHistories.end() ? 0 : it->second;
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
