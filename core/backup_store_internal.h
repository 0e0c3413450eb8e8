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
