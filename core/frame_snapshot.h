// A snapshot of a drawing's frames that costs next to nothing to take: it
// points at the frames' own pages, which no one writes between edit steps,
// and copies a frame only when something is about to change it before the
// reader got to it. The interface thread takes one in microseconds however
// long the drawing; a writer thread then reads the frames at its own pace.
//
// Taking, releasing and the change notices run on the thread that owns the
// document; ReadFrame may run on any one other thread. The document's thread
// never waits for the reader (where the system lets the reader copy through
// the kernel): a frame being read when it is about to change is copied by
// the document's thread too, and the reader takes that copy.
#pragma once

#include "core/char_cell.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class CArtDoc;

// Writes what is shown over the current frame but not yet in its cells (a
// floating block, a pending shape) into a copy of those cells.
using FramePatch = std::function<void(CharCell* pCopy)>;

class CFrameSnapshot {
public:
    // The document's registered frames in key order, as they are now. Null
    // while a step of any of their stores is open: the cells may be half
    // written. With fnPatch the current frame is copied at once and patched,
    // and its store may have a step open: the caller vouches that its cells
    // are whole (a lifted block keeps its step open until it is dropped).
    static std::unique_ptr<CFrameSnapshot> Take(const CArtDoc& doc, const FramePatch& fnPatch = {});
    ~CFrameSnapshot();
    CFrameSnapshot(const CFrameSnapshot&) = delete;
    CFrameSnapshot& operator=(const CFrameSnapshot&) = delete;

    std::size_t FrameCount() const { return m_vFrames.size(); }
    std::size_t CellsPerFrame() const { return m_nCells; }
    // Copies frame nFrame's cells, as they were when the snapshot was taken,
    // to pDst (CellsPerFrame() cells). A frame still in the drawing is read
    // once at most. False when the cells are lost: read before, or changed
    // when there was no memory to keep them.
    bool ReadFrame(std::size_t nFrame, CharCell* pDst);

    // How many frames had to be copied because they were about to change.
    std::size_t PrivateCopies() const { return m_nPrivateCopies; }

    // The reader's result is no longer wanted: frames about to change are
    // lost to it rather than copied. Document thread.
    void Abandon() { m_bAbandoned = true; }

private:
    enum EState : int { LIVE, READING, COPYING, PRIVATE, DONE };
    struct SFrame {
        unsigned nStore = 0;
        const CharCell* pLive = nullptr;
        std::shared_ptr<const CharCell[]> pResting; // keeps a resting frame's cells alive
        std::unique_ptr<CharCell[]> pPrivate;
        std::atomic<int> nState{LIVE};
    };

    explicit CFrameSnapshot(std::size_t nCells, std::size_t nFrames);
    // Store nId is about to change: its frames the reader has not read yet
    // are copied now.
    void BeforeStoreChange(unsigned nId);
    // Copies a frame whose pages have not changed yet; then PRIVATE.
    void CopyLive(SFrame& frame);
    static void OnStoreChange(unsigned nId);

    std::size_t m_nCells;
    std::vector<SFrame> m_vFrames;
    std::size_t m_nPrivateCopies = 0;
    bool m_bAbandoned = false;
};
