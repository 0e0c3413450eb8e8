// Recovery copies of drawings with unsaved changes, for autosave and for
// getting work back after a crash.
//
// Each running program owns a session in the recovery folder: a lock file
// it holds locked (flock) for as long as it lives, a ".gwp" copy of the
// drawing and a small description beside it. Another program tells a live
// session from one that ended without a clean exit by trying the lock: the
// system drops the lock when its owner dies, however it dies.
//
// A session named "session-<id>" has these files, and no others start with
// "session-<id>.":
//   session-<id>.lock    the lock; holds the process id
//   session-<id>.<n>.gwp the copy, written as generation n
//   session-<id>.desc    names the current generation and describes it
// The description is replaced last, so it always names a complete copy; the
// copy it named before is removed only then. A failed write (a full disk)
// thus leaves the previous copy and its description as they were.
//
// The id is the process id, or "<pid>-<n>" when files of an earlier,
// crashed process with the same id are still waiting to be offered.
#pragma once

#include "core/art_doc.h"
#include "core/char_cell.h"
#include "core/frame_snapshot.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A consistent view of a drawing's cells, taken on the interface thread and
// written on a worker: the frames where they live (frames), or, when that is
// null, cells copied out.
struct CRecoverySnapshot {
    int nRows = 0;
    int nCols = 0;
    std::vector<CharCell> cells; // every frame, back to back, in key order
    std::string strOriginalPath; // empty for a drawing never saved ("Untitled")
    int64_t nTime = 0;           // when taken, seconds since the epoch
    // Released on the thread that took it, after the writer is done.
    std::shared_ptr<CFrameSnapshot> frames;
    // The view's background, kept with the copy so a restore brings it back.
    std::optional<COLORREF> crBack;

    int FrameCount() const;
};

// Takes doc's frames where they live (see CFrameSnapshot); nothing is copied
// until the drawing changes, except the current frame when fnPatch adds what
// is shown over it. No frames (FrameCount() 0) while an edit step is open
// (but for the patched frame's). Throws std::bad_alloc when memory runs out.
CRecoverySnapshot TakeRecoverySnapshot(const CArtDoc& doc, const std::string& strPath,
                                       const FramePatch& fnPatch = {});

// One session's copy left behind by a program that did not exit cleanly.
struct CRecoveryEntry {
    std::string strFolder;
    std::string strSession;  // the "<id>" of "session-<id>"
    std::string strCopyPath; // the ".gwp"; may not exist when damaged
    std::string strDescPath;
    std::string strOriginalPath; // empty: "Untitled" (or unknown when damaged)
    int64_t nTime = 0;           // from the description, else the files' time
    int nFrames = 0;
    // The background kept with the copy; none from a program that kept none.
    std::optional<COLORREF> crBack;
    // The description is missing or unreadable, the copy is missing, or the
    // copy is not the one the description describes; such a copy can only be
    // discarded.
    bool bDamaged = false;
};

// This program's session in the recovery folder.
//
// WriteCopy is meant to run on a worker thread. Calls are serialised by the
// store, but their order is the caller's: a RemoveCopy after a save must
// wait for a WriteCopy still running, or that copy comes back.
class CRecoveryStore {
public:
    explicit CRecoveryStore(std::string strFolder);
    // Lets go of the lock and leaves any copy in place: a program that ends
    // without CloseClean has its copy offered the next time.
    ~CRecoveryStore();
    CRecoveryStore(const CRecoveryStore&) = delete;
    CRecoveryStore& operator=(const CRecoveryStore&) = delete;

    // Creates the folder (0700, parents included) and takes this session's
    // lock. False, with the reason, when either cannot be done. A folder that
    // is a link is used with its mode as it is, and refused when its target
    // belongs to someone else.
    bool Open(std::string* pError);
    // Replaces this session's copy with the snapshot: the ".gwp" bytes are
    // those the drawing would be saved as. False (the previous copy intact)
    // when the store is not open, the snapshot is not a valid drawing, a
    // write fails, or *pCancel turns true (it is looked at between frames).
    // fnBeforeFrame, when given, is called before each frame is read.
    bool WriteCopy(const CRecoverySnapshot& snap, std::string* pError,
                   const std::atomic<bool>* pCancel = nullptr,
                   const std::function<void(int nFrame)>& fnBeforeFrame = {});
    // After a save, or closing a drawing without saving: the copy goes, the
    // lock stays. False when a file could not be removed.
    bool RemoveCopy();
    // A clean exit: the copy and the lock go.
    void CloseClean();

    const std::string& SessionName() const { return m_strSession; } // "session-<id>"

private:
    std::string PathOf(const std::string& strSuffix) const;
    bool RemoveCopyLocked();

    std::mutex m_mutex;
    std::string m_strFolder;
    std::string m_strSession;
    int m_fdLock = -1;
    int64_t m_nGeneration = 0; // of the copy the description names; 0: none
};

// The copies in strFolder whose session is no longer alive (its lock is free
// or gone), newest first. Live sessions, this program's own included, are
// never listed.
std::vector<CRecoveryEntry> FindOrphanedCopies(const std::string& strFolder);

// Removes what dead sessions left in strFolder and nobody will offer: the
// temporary file of a copy whose writer was killed, and the lock of a
// session that ended before it wrote a copy. Nothing of a live session, and
// nothing changed in the last few minutes, is touched.
void RemoveLeftovers(const std::string& strFolder);

// Removes the entry's files and its stale lock. False, leaving everything,
// when the session has come alive meanwhile or a file could not be removed.
// A copy the user decides on later is simply left.
bool DiscardCopy(const CRecoveryEntry& entry);
