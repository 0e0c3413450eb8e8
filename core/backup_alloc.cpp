// Allocation from a store's heap, inside its open step.
#include "core/backup_store.h"

#include "core/backup_arena.h"
#include "core/backup_heap.h"
#include "core/backup_store_internal.h"

#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace gwstore {

namespace {

// Memory an allocation commits before it touches the heap.
struct CNewMemory {
    void* pInfo = nullptr;
    void* pRegion = nullptr;
    std::size_t nRegionBytes = 0;
    std::size_t Pages() const
    {
        return ((pInfo ? BACKUP_PAGE_SIZE : 0) + (pRegion ? nRegionBytes : 0)) / BACKUP_PAGE_SIZE;
    }
};

void GiveBack(const CNewMemory& mem)
{
    if (mem.pInfo)
        CBackupArena::Instance().Decommit(mem.pInfo, BACKUP_PAGE_SIZE);
    if (mem.pRegion)
        CBackupArena::Instance().Decommit(mem.pRegion, mem.nRegionBytes);
}

} // namespace

// BackupAlloc's work, for a store with an open step. Everything that can
// fail (new memory, room in the step's records, copy pages for the new
// pages) happens first; then the heap is changed, which cannot fail. Throws
// CBackupError with the store unchanged.
void* AllocInStep(BackupStore& store, unsigned nSize)
{
    BackupStep& step = *store.dqUndo.front();
    CBackupArena& arena = CBackupArena::Instance();
    CNewMemory mem;
    bool bRegion = !store.pHeapInfo;
    if (!bRegion) {
        const CBackupHeap heap(store.pHeapInfo);
        bRegion = heap.IsEmpty() || !heap.FindFirstFit(nSize);
    }
    if (!store.pHeapInfo && !(mem.pInfo = arena.Commit(BACKUP_PAGE_SIZE, store.bQuiet)))
        throw CBackupError("virtual alloc failed");
    if (bRegion) {
        mem.nRegionBytes = (nSize / BACKUP_REGION_GRANULE + 1) * BACKUP_REGION_GRANULE;
        if (!(mem.pRegion = arena.Commit(mem.nRegionBytes, store.bQuiet))) {
            GiveBack(mem);
            throw CBackupError("virtual alloc failed");
        }
    }
    const std::size_t nNewPages = mem.Pages();
    std::vector<uintptr_t> vEntered;
    try {
        BackupMayAllocate();
        vEntered.reserve(2);
        for (void* p : {mem.pInfo, mem.pRegion}) {
            if (!p)
                continue;
            BackupMayAllocate();
            step.mapRegions.emplace(reinterpret_cast<uintptr_t>(p),
                                    p == mem.pInfo ? BACKUP_PAGE_SIZE : mem.nRegionBytes);
            vEntered.push_back(reinterpret_cast<uintptr_t>(p));
        }
        BackupMayAllocate();
        step.mapPages.reserve(store.nPages + nNewPages);
        if (!store.bQuiet)
            CCopyPool::Instance().Promise(nNewPages);
    } catch (const std::exception&) {
        for (uintptr_t n : vEntered)
            step.mapRegions.erase(n);
        GiveBack(mem);
        throw CBackupError("virtual alloc failed");
    }
    if (!store.bQuiet)
        step.nPromised += nNewPages;

    if (mem.pInfo) {
        AdoptPages(store, reinterpret_cast<uintptr_t>(mem.pInfo), BACKUP_PAGE_SIZE);
        store.pHeapInfo = mem.pInfo;
        CBackupHeap::InitInfo(mem.pInfo);
    }
    BackupFreeBlock* pNew = nullptr;
    if (mem.pRegion) {
        AdoptPages(store, reinterpret_cast<uintptr_t>(mem.pRegion), mem.nRegionBytes);
        pNew = static_cast<BackupFreeBlock*>(mem.pRegion);
        std::memset(pNew, 0, sizeof *pNew);
        pNew->nSize = static_cast<uint32_t>(mem.nRegionBytes - BACKUP_BLOCK_HEADER);
    }
    CBackupHeap heap(store.pHeapInfo);
    BackupFreeBlock* pBlock = nullptr;
    if (heap.IsEmpty()) {
        heap.Insert(pNew);
        pBlock = heap.TakeFirstFit(nSize);
    } else {
        pBlock = heap.TakeFirstFit(nSize);
        if (!pBlock)
            pBlock = pNew;
    }
    return heap.HandOut(pBlock, nSize);
}

} // namespace gwstore
