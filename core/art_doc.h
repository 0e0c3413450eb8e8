// The drawing: one or more frames of the same size, each a grid of cells that
// lives in its own page backup store, which is also the frame's undo history.
// The document holds no colours, tools or zoom: those belong to the view.
#pragma once

#include "core/char_cell.h"
#include "core/document_base.h"
#include "core/frame_history.h"
#include "core/frame_order.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Told when the current frame's cells change under the view's feet (undo and
// redo), so it can repaint and refresh the frame's thumbnail.
class IArtDocListener {
public:
    virtual ~IArtDocListener() = default;
    virtual void OnHistoryApplied() {}
};

// Frame keys must fit 16 bits: the frame list keeps them in the upper half of
// its item data.
inline constexpr int MAX_FRAME_KEY = 0xFFFF;
inline constexpr int MAX_FRAME_KEY_COUNT = MAX_FRAME_KEY + 1;

// Shown when no key is left for another frame.
inline constexpr const char* MSG_FRAME_KEYS_EXHAUSTED =
    "This drawing cannot take another frame. Please save it and open it again, "
    "then add the frame.";

struct CLoadedFrames;

class CArtDoc : public CDocumentBase {
public:
    CArtDoc();
    // Destroys every store the document made or adopted, and no other.
    ~CArtDoc() override;
    CArtDoc(const CArtDoc&) = delete;
    CArtDoc& operator=(const CArtDoc&) = delete;

    // Discards every frame and its history (their stores are destroyed, a
    // step left open on one of them cancelled) and makes one new, unregistered
    // frame of zero bytes, of the size last set or loaded.
    bool OnNewDocument() override;

    // Replaces the drawing with frames built elsewhere (core/loaded_frames.h):
    // their stores become the document's, under keys 0, 1, 2, ... in their
    // order, the last one current, and every frame and store of the previous
    // drawing is destroyed. The canvas size becomes theirs; the document ends
    // unmodified. Refused (false, nothing changed) while a step of one of the
    // document's stores is open or when frames holds none.
    bool AdoptFrames(CLoadedFrames& frames);

    // Makes a new frame current (not yet registered). Returns null, changing
    // nothing, when no frame key is left (see CanAddFrame); throws
    // CBackupError, changing nothing, when memory runs out.
    CharCell* NewFrame();
    // True while the next registered frame still gets a key that fits 16 bits.
    bool CanAddFrame() const { return m_nNextFrameKey <= MAX_FRAME_KEY; }
    // Registers the current frame under the next key and returns that key.
    int RegisterFrame();
    // Destroys the frame's store (cancelling a step left open on it: the
    // frame is going) and forgets the frame, and the history of frame
    // operations with it; the caller chooses the next current frame. False,
    // with the frame kept, when there is no such frame or its store cannot be
    // destroyed.
    bool DeleteFrame(int nKey);

    // Frame operations that Undo Frame Change takes back (art_doc_frames.cpp).
    // Each completes or changes nothing, and leaves a registered frame
    // current. A blank frame of zero bytes at position nIndex (clamped);
    // returns its key, -1 when no key is left; throws CBackupError, changing
    // nothing, when memory runs out.
    int InsertFrame(int nIndex);
    // A copy of the frame's cells, with an empty history of its own, right
    // after it; as InsertFrame, and -1 when there is no such frame.
    int DuplicateFrame(int nKey);
    // Takes the frame out of the drawing into the frame history (its store
    // lives on there; with a step limit of 0 it is destroyed at once); the
    // frame now at its position, or the one before, becomes current. False
    // when it is the only frame, has a step open, or memory runs out.
    bool RemoveFrame(int nKey);
    // Moves the frame at position nFrom to position nTo.
    bool MoveFrame(int nFrom, int nTo);
    // Take back or apply again the last frame operation; return the key of
    // the frame made current (the one the operation was about, or its
    // neighbour when it left the drawing), -1 when nothing was done.
    int UndoFrameChange();
    int RedoFrameChange();
    bool CanUndoFrameChange() const { return m_history.CanUndo(); }
    bool CanRedoFrameChange() const { return m_history.CanRedo(); }
    const CFrameHistory& FrameChanges() const { return m_history; }
    // Position of the frame in the shown order; -1 when no frame has that key.
    int GetFrameIndex(int nKey) const { return m_order.IndexOf(nKey); }
    // Makes the frame current. A resting frame gets a store of its own first;
    // when memory runs out it stays resting, current but not writable (its
    // history is 0, so no step can open on it).
    void SelectFrame(int nKey);
    // Frames smaller than a page that are not current and have nothing to
    // undo or redo give their store back and rest in memory of their own: a
    // store costs pages however few cells it holds, so a drawing of
    // thousands of tiny frames would otherwise take gigabytes. Call once the
    // view no longer points at the cells of the frame it showed before.
    void RestIdleFrames();
    // A resting frame's cells, shared (null for a frame with a store): they
    // never change while it rests, so a reader may keep them.
    std::shared_ptr<const CharCell[]> GetRestingCells(int nKey) const;
    int GetFrameCount() const { return static_cast<int>(m_order.size()); }

    int GetRows() const { return m_nRows; }
    int GetCols() const { return m_nCols; }
    int GetCellCount() const { return m_nRows * m_nCols; }
    // The canvas size the next OnNewDocument starts with. The drawing's
    // frames keep their size until then: GetRows and GetCols always fit them.
    void SetCanvasSize(int nRows, int nCols)
    {
        m_nNewRows = nRows;
        m_nNewCols = nCols;
    }

    // Store of the current frame; 0 before the first new document.
    int GetCurHistory() const { return m_nCurHistory; }
    CharCell* GetCurCells() const { return m_pCurCells; }
    // Every registered frame, key and cells, in the shown order: the order
    // of the frame list, playback, the file and the exports.
    const CFrameOrder& GetFrames() const { return m_order; }
    // Null when no frame has that key.
    CharCell* GetFrameCells(int nKey) const;
    // Store of that frame; 0 when no frame has that key.
    int GetFrameHistory(int nKey) const;
    int GetNextFrameKey() const { return m_nNextFrameKey; }
    // Frames registered from now on get keys from nKey up (for tests of the
    // key limit). A lower key is ignored: keys are never handed out twice.
    void SetNextFrameKey(int nKey) { m_nNextFrameKey = std::max(m_nNextFrameKey, nKey); }

    // Undo and Redo of the current frame; true when the step was applied.
    bool OnEditUndo();
    bool OnEditRedo();
    bool CanUndo() const;
    bool CanRedo() const;

    void AddListener(IArtDocListener* pListener);
    void RemoveListener(IArtDocListener* pListener);

private:
    void NotifyHistoryApplied();
    bool AnyStepOpen() const;
    void DestroyFrameStores();
    bool WakeFrame(int nKey);
    bool IsSmallFrame() const;
    SHeldFrame Detach(int nKey);
    bool Attach(SHeldFrame& frame, int nIndex);
    void SelectAt(int nIndex);
    int MakeFrame(int nIndex, const CharCell* pCopy);
    int ApplyChange(SFrameChange& change, bool bUndo);

    int m_nCurHistory = 0;             // store of the current frame; 0 before the first new document
    CharCell* m_pCurCells = nullptr;   // cells of the current frame
    CFrameOrder m_order;                  // frame key and cells, in the shown order
    std::map<int, int> m_mapHistories;    // frame key to store id (0: resting)
    std::map<int, std::shared_ptr<CharCell[]>> m_mapResting; // resting frames' cells
    std::vector<int> m_vAwakeSmall; // small frames with a store, which may rest
    CFrameHistory m_history;              // frame operations, for Undo Frame Change
    int m_nNextFrameKey = 0;
    int m_nCols = DEFAULT_COLS;
    int m_nRows = DEFAULT_ROWS;
    int m_nNewCols = DEFAULT_COLS; // canvas size of the next new document
    int m_nNewRows = DEFAULT_ROWS;

    std::vector<IArtDocListener*> m_vListeners;
};
