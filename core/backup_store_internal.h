// The stores' shared state, seen by the operations and by the fault filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

struct BackupPage {
    uintptr_t nPage;  // page address
    void* pData;      // while open: the "before" copy; after commit: the encoded difference
    std::size_t nBytes; // encoded length after commit
};

struct BackupStep {
    // Pages written in this step; in ascending address order once committed.
    // Room for every page of the store is reserved before the step can fault,
    // so the filter appends without allocating.
    std::vector<BackupPage> mapPages;
    std::map<uintptr_t, std::size_t> mapRegions; // regions committed in this step
    int nSeq = 0;
    std::size_t nPromised = 0; // copy pages still promised to this step
};

struct BackupStore {
    std::deque<std::unique_ptr<BackupStep>> dqUndo; // newest (and the open one) at the front
    std::deque<std::unique_ptr<BackupStep>> dqRedo; // most recently undone at the front
    std::deque<std::unique_ptr<BackupStep>> dqKept; // sealed
    bool bOpen = false;
    int nId = 0;
    void* pHeapInfo = nullptr;
    std::size_t nPages = 0; // pages owned
    // Regions committed by steps that were cancelled: still in use, freed
    // with the store.
    std::map<uintptr_t, std::size_t> mapLooseRegions;
    // While set, new regions are committed writable, so the heap's set-up
    // writes do not fault (an allocation that is sealed at once).
    bool bQuiet = false;
    // A rollback could not put every protection back (the system refused
    // twice in a row). bRelock: some page may still be writable while no
    // step is open; every operation that starts a change closes them all
    // first. bRecheck: a page of the open step may be read-only again; the
    // fault filter then looks for it among the step's pages before copying.
    bool bRelock = false;
    bool bRecheck = false;
};

// The page owner map lives in the arena (CBackupArena::Owner), as a flat
// table the fault handler can read without allocating.
struct BackupGlobals {
    std::map<unsigned, BackupStore> mapStores;
    // The store found last: most calls in a row are for the current frame.
    unsigned nFoundId = 0;
    BackupStore* pFound = nullptr;
    unsigned nNextId = 1;
    int nNextSeq = 1;
};

BackupGlobals& BackupState();

// The steps' own operations, shared by the files of the store. Each one
// either completes or leaves the store as it was, unless it says otherwise.
namespace gwstore {

BackupStore* Find(unsigned nId);
// In checked builds, aborts when a store call comes from a thread other than
// the one that made the first; other threads may only read store memory.
void CheckThread();
bool Protect(uintptr_t nPage, std::size_t nPages, int nProt);
// Closes every page of the store again after a rollback the system refused
// half way; false while one is still open.
bool RelockIfNeeded(BackupStore& store);
void AdoptPages(BackupStore& store, uintptr_t nStart, std::size_t nBytes);
void ReleaseRegion(BackupStore& store, uintptr_t nStart, std::size_t nBytes);
void FreeDifferences(BackupStep& step);
void NotifyChange(unsigned nId);
// Only an allocation left in an undone step gives redo steps regions.
bool RedoHasRegions(const BackupStore& store);
// Drops the redo steps; their regions go back to the heap, which writes
// store memory and so needs an open step when there are any.
void DiscardRedo(BackupStore& store);
unsigned OpenStep(BackupStore& store);
unsigned CommitOpenStep(BackupStore& store);
// Sealing in two halves: the room in the sealed list first (false, with
// nothing changed, when memory runs out), then the move, which cannot fail.
// nOldKept is the sealed list's length before the room was made.
bool MakeSealRoom(BackupStore& store);
void SealIntoRoom(BackupStore& store, std::size_t nOldKept);
// Closes an open step in which nothing was written.
void CloseEmptyStep(BackupStore& store);
// Puts every page the open step wrote back as it was, gives the regions it
// committed back to the system and closes it.
void RollBackStep(BackupStore& store);
// A step's pages in address order, so neighbours change protection as a run.
void SortPages(BackupStep& step);
// Gives every page protection nProt; when the system refuses, the runs
// already changed get nBack again and the result is false.
bool ProtectPages(BackupStore& store, const std::vector<BackupPage>& vPages, int nProt, int nBack);
// XORs a step's differences into its pages, undo and redo alike; a refusal
// changes nothing.
bool ApplyStep(BackupStore& store, const BackupStep& step);
// Drops a step for good: its regions go back to the system.
void DropStep(BackupStore& store, BackupStep& step);
// BackupAlloc's work in the open step; throws CBackupError, changing
// nothing, when memory runs out.
void* AllocInStep(BackupStore& store, unsigned nSize);

} // namespace gwstore
