// The history of frame operations (add, insert, duplicate, delete, move),
// kept beside each frame's own page history. A frame out of the drawing (a
// deleted frame, or an added one whose addition was undone) lives on in its
// entry with its store, so it comes back with its cells and its own undo
// history; when the entry is dropped (past the step limit, or a redo that a
// new operation makes impossible) the store is destroyed with it.
#pragma once

#include "core/char_cell.h"

#include <cstddef>
#include <memory>
#include <vector>

// A frame held outside the drawing.
struct SHeldFrame {
    int nKey = -1;
    CharCell* pCells = nullptr;
    int nHistory = 0;                    // its store; 0 while it rests
    std::shared_ptr<CharCell[]> pResting; // a resting frame's cells
};

enum class EFrameChange { Create, Delete, Move };

struct SFrameChange {
    EFrameChange eKind = EFrameChange::Move;
    int nKey = -1;  // the frame created, deleted or moved
    int nFrom = 0;  // its position before (Delete, Move)
    int nTo = 0;    // its position after (Create, Move)
    bool bHeld = false; // frame below is out of the drawing, owned here
    SHeldFrame frame;
};

class CFrameHistory {
public:
    CFrameHistory() = default;
    ~CFrameHistory() { Clear(); }
    CFrameHistory(const CFrameHistory&) = delete;
    CFrameHistory& operator=(const CFrameHistory&) = delete;

    bool CanUndo() const { return m_nDone > 0; }
    bool CanRedo() const { return m_nDone < m_vChanges.size(); }
    // The entry the next undo or redo applies.
    SFrameChange& UndoEntry() { return m_vChanges[m_nDone - 1]; }
    SFrameChange& RedoEntry() { return m_vChanges[m_nDone]; }
    void Undone() { --m_nDone; }
    void Redone() { ++m_nDone; }

    // Room for one more entry, so that Push cannot fail; throws
    // std::bad_alloc, changing nothing.
    void Reserve() { m_vChanges.reserve(m_vChanges.size() + 1); }
    // Records a change just made: what could be redone goes, and the oldest
    // entries past nLimit (0 keeps none). Call Reserve first.
    void Push(SFrameChange change, std::size_t nLimit);
    // Drops every entry, destroying the stores of the frames they hold.
    void Clear();
    std::size_t Size() const { return m_vChanges.size(); }
    std::size_t HeldFrames() const;

private:
    static void Drop(SFrameChange& change);

    std::vector<SFrameChange> m_vChanges;
    std::size_t m_nDone = 0; // entries before this one are done, the rest undone
};
