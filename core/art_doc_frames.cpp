// The frame operations that Undo Frame Change takes back, and their history.
// What can fail (memory, a store) is done first; the changes that follow
// cannot fail, so each operation completes or leaves the drawing as it was.
// Like adding and deleting a frame, none of them marks the drawing modified.
#include "core/art_doc.h"

#include "core/backup_store.h"
#include "core/loaded_frames.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

std::size_t FrameStepLimit()
{
    return g_nUndoRedoStep;
}

} // namespace

void CArtDoc::SelectAt(int nIndex)
{
    nIndex = std::clamp(nIndex, 0, GetFrameCount() - 1);
    SelectFrame(m_order.KeyAt(nIndex));
}

// A new frame at nIndex, blank (zero bytes) or a copy of pCopy, made current.
int CArtDoc::MakeFrame(int nIndex, const CharCell* pCopy)
{
    if (!CanAddFrame())
        return -1;
    const int nKey = m_nNextFrameKey;
    const std::size_t nBytes = std::size_t(GetCellCount()) * sizeof(CharCell);
    try {
        m_order.Reserve(nKey);
        m_history.Reserve();
        m_vAwakeSmall.reserve(m_vAwakeSmall.size() + 1);
        m_mapHistories.emplace(nKey, 0);
    } catch (const std::bad_alloc&) {
        throw CBackupError("out of memory");
    }
    const unsigned nId = BackupCreate();
    void* pCells = nullptr;
    try {
        if (nId == 0)
            throw CBackupError("no store for another frame");
        pCells = BackupAllocSealed(static_cast<unsigned>(nBytes), nId, [&](void* p) {
            if (pCopy)
                std::memcpy(p, pCopy, nBytes);
        });
        if (!pCells)
            throw CBackupError("no store for another frame");
    } catch (...) {
        if (nId != 0)
            BackupDestroy(nId);
        m_mapHistories.erase(nKey);
        throw;
    }
    ++m_nNextFrameKey;
    m_mapHistories[nKey] = static_cast<int>(nId);
    m_order.Insert(nIndex, nKey, static_cast<CharCell*>(pCells));
    if (IsSmallFrame())
        m_vAwakeSmall.push_back(nKey);
    SFrameChange change;
    change.eKind = EFrameChange::Create;
    change.nKey = nKey;
    change.nTo = m_order.IndexOf(nKey);
    m_history.Push(std::move(change), FrameStepLimit());
    m_nCurHistory = static_cast<int>(nId);
    m_pCurCells = static_cast<CharCell*>(pCells);
    return nKey;
}

int CArtDoc::InsertFrame(int nIndex)
{
    return MakeFrame(nIndex, nullptr);
}

int CArtDoc::DuplicateFrame(int nKey)
{
    const int nIndex = m_order.IndexOf(nKey);
    if (nIndex < 0)
        return -1;
    return MakeFrame(nIndex + 1, m_order.at(nKey));
}

// Takes the frame out of the drawing; cannot fail.
SHeldFrame CArtDoc::Detach(int nKey)
{
    SHeldFrame frame;
    frame.nKey = nKey;
    frame.pCells = m_order.at(nKey);
    frame.nHistory = m_mapHistories.at(nKey);
    if (const auto it = m_mapResting.find(nKey); it != m_mapResting.end()) {
        frame.pResting = std::move(it->second);
        m_mapResting.erase(it);
    }
    m_order.Erase(nKey);
    m_mapHistories.erase(nKey);
    std::erase(m_vAwakeSmall, nKey);
    return frame;
}

// Puts a held frame back at nIndex; false, changing nothing, when memory runs out.
bool CArtDoc::Attach(SHeldFrame& frame, int nIndex)
{
    const int nKey = frame.nKey;
    try {
        m_order.Reserve(nKey);
        m_vAwakeSmall.reserve(m_vAwakeSmall.size() + 1);
        const auto it = m_mapHistories.emplace(nKey, frame.nHistory).first;
        if (frame.pResting) {
            try {
                m_mapResting.emplace(nKey, frame.pResting);
            } catch (...) {
                m_mapHistories.erase(it);
                throw;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_order.Insert(nIndex, nKey, frame.pCells);
    if (frame.nHistory != 0 && IsSmallFrame())
        m_vAwakeSmall.push_back(nKey);
    frame = SHeldFrame();
    return true;
}

bool CArtDoc::RemoveFrame(int nKey)
{
    const int nIndex = m_order.IndexOf(nKey);
    if (nIndex < 0 || GetFrameCount() <= 1)
        return false;
    const int nHistory = m_mapHistories.at(nKey);
    if (nHistory != 0 && BackupIsOpen(static_cast<unsigned>(nHistory)) != 0)
        return false;
    try {
        m_history.Reserve();
    } catch (const std::bad_alloc&) {
        return false;
    }
    SFrameChange change;
    change.eKind = EFrameChange::Delete;
    change.nKey = nKey;
    change.nFrom = nIndex;
    change.frame = Detach(nKey);
    change.bHeld = true;
    m_history.Push(std::move(change), FrameStepLimit());
    SelectAt(nIndex);
    return true;
}

bool CArtDoc::MoveFrame(int nFrom, int nTo)
{
    const int nCount = GetFrameCount();
    if (nFrom < 0 || nFrom >= nCount || nTo < 0 || nTo >= nCount || nFrom == nTo)
        return false;
    try {
        m_history.Reserve();
    } catch (const std::bad_alloc&) {
        return false;
    }
    SFrameChange change;
    change.eKind = EFrameChange::Move;
    change.nKey = m_order.KeyAt(nFrom);
    change.nFrom = nFrom;
    change.nTo = nTo;
    m_order.Move(nFrom, nTo);
    m_history.Push(std::move(change), FrameStepLimit());
    return true;
}

// Applies an entry backwards (bUndo) or forwards; -1, changing nothing, when
// it cannot be applied now.
int CArtDoc::ApplyChange(SFrameChange& change, bool bUndo)
{
    const bool bCreate = change.eKind == EFrameChange::Create;
    if (change.eKind == EFrameChange::Move) {
        const int nFrom = bUndo ? change.nTo : change.nFrom;
        const int nTo = bUndo ? change.nFrom : change.nTo;
        if (m_order.IndexOf(change.nKey) != nFrom)
            return -1;
        m_order.Move(nFrom, nTo);
        SelectFrame(change.nKey);
        return change.nKey;
    }
    // Undoing a creation or redoing a deletion takes the frame out.
    if (bCreate == bUndo) {
        const int nIndex = m_order.IndexOf(change.nKey);
        const int nHistory = m_mapHistories.count(change.nKey) ? m_mapHistories.at(change.nKey) : 0;
        if (nIndex < 0 || GetFrameCount() <= 1 || change.bHeld ||
            (nHistory != 0 && BackupIsOpen(static_cast<unsigned>(nHistory)) != 0))
            return -1;
        change.frame = Detach(change.nKey);
        change.bHeld = true;
        const int nNext = std::clamp(bCreate ? nIndex - 1 : nIndex, 0, GetFrameCount() - 1);
        SelectAt(nNext);
        return m_order.KeyAt(nNext);
    }
    if (!change.bHeld || !Attach(change.frame, bCreate ? change.nTo : change.nFrom))
        return -1;
    change.bHeld = false;
    SelectFrame(change.nKey);
    return change.nKey;
}

int CArtDoc::UndoFrameChange()
{
    if (!m_history.CanUndo())
        return -1;
    const int nKey = ApplyChange(m_history.UndoEntry(), true);
    if (nKey >= 0)
        m_history.Undone();
    return nKey;
}

int CArtDoc::RedoFrameChange()
{
    if (!m_history.CanRedo())
        return -1;
    const int nKey = ApplyChange(m_history.RedoEntry(), false);
    if (nKey >= 0)
        m_history.Redone();
    return nKey;
}
