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
#include "core/html_export.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include <sys/types.h>

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
    // With bRereadable each frame may be read any number of times (an export
    // that passes over the frames twice); a frame still in the drawing is
    // then copied whenever it is about to change.
    static std::unique_ptr<CFrameSnapshot> Take(const CArtDoc& doc, const FramePatch& fnPatch = {},
                                                bool bRereadable = false);
    ~CFrameSnapshot();
    CFrameSnapshot(const CFrameSnapshot&) = delete;
    CFrameSnapshot& operator=(const CFrameSnapshot&) = delete;

    std::size_t FrameCount() const { return m_vFrames.size(); }
    std::size_t CellsPerFrame() const { return m_nCells; }
    // Copies frame nFrame's cells, as they were when the snapshot was taken,
    // to pDst (CellsPerFrame() cells). A frame still in the drawing is read
    // once at most unless rereadable. False when the cells are lost: read
    // before, or changed when there was no memory to keep them.
    bool ReadFrame(std::size_t nFrame, CharCell* pDst);

    enum class EWrite { Written, Lost, Failed };
    // Writes frame nFrame's cells, as ReadFrame gives them, to fd at nOffset,
    // and leaves them in pDst as read back from the file's cache. A frame
    // still in the drawing goes to the file straight from its pages (through
    // the kernel, as ReadFrame copies it), so its memory is read once; one
    // that changed meanwhile is written again from its copy. Lost as
    // ReadFrame's false; Failed, with errno, when the file refused.
    EWrite WriteFrame(std::size_t nFrame, int fd, long long nOffset, CharCell* pDst);

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
    bool m_bRereadable = false;
    std::size_t m_nPrivateCopies = 0;
    bool m_bAbandoned = false;
};

// Writes all nBytes at nOffset, again after a signal or a short write;
// false with errno set (ENOSPC for a write that made no progress).
bool WriteWholeAt(int fd, const void* p, std::size_t nBytes, off_t nOffset);

// The frames of a snapshot, in order, for the exports that read them on a
// worker thread. fnStep, when given, is called before each frame is read; its
// false stops the export (the frame cannot be had).
class CSnapshotFrameSource : public IAnimFrameSource {
public:
    CSnapshotFrameSource(CFrameSnapshot& snap, int nRows, int nCols, std::function<bool()> fnStep = {})
        : m_snap(snap), m_nRows(nRows), m_nCols(nCols), m_fnStep(std::move(fnStep)),
          m_vFrame(snap.CellsPerFrame())
    {
    }
    int GetFrameCount() const override { return static_cast<int>(m_snap.FrameCount()); }
    int GetRows() const override { return m_nRows; }
    int GetCols() const override { return m_nCols; }
    const CharCell* GetFrame(int nIndex) override;

private:
    CFrameSnapshot& m_snap;
    int m_nRows;
    int m_nCols;
    std::function<bool()> m_fnStep;
    std::vector<CharCell> m_vFrame;
};
