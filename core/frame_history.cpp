#include "core/frame_history.h"

#include "core/backup_store.h"

#include <algorithm>

// A held frame's store is the document's alone, with no step open (one is
// never open on a frame out of the drawing).
void CFrameHistory::Drop(SFrameChange& change)
{
    if (change.bHeld && change.frame.nHistory != 0)
        BackupDestroy(static_cast<unsigned>(change.frame.nHistory));
    change.bHeld = false;
    change.frame = SHeldFrame();
}

void CFrameHistory::Push(SFrameChange change, std::size_t nLimit)
{
    for (std::size_t i = m_nDone; i < m_vChanges.size(); ++i)
        Drop(m_vChanges[i]);
    m_vChanges.resize(m_nDone);
    m_vChanges.push_back(std::move(change)); // reserved: cannot throw
    while (m_vChanges.size() > nLimit) {
        Drop(m_vChanges.front());
        m_vChanges.erase(m_vChanges.begin());
    }
    m_nDone = m_vChanges.size();
}

void CFrameHistory::Clear()
{
    for (SFrameChange& change : m_vChanges)
        Drop(change);
    m_vChanges.clear();
    m_nDone = 0;
}

std::size_t CFrameHistory::HeldFrames() const
{
    return static_cast<std::size_t>(
        std::count_if(m_vChanges.begin(), m_vChanges.end(), [](const SFrameChange& c) { return c.bHeld; }));
}
