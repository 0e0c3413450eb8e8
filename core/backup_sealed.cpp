// The sealed shortcuts: writes and allocations that become part of the
// store's sealed history at once, without recording differences nobody can
// ever apply.
#include "core/backup_store.h"

#include "core/backup_arena.h"
#include "core/backup_heap.h"
#include "core/backup_store_internal.h"

#include <sys/mman.h>

#include <cstring>
#include <functional>
#include <memory>
#include <new>

using namespace gwstore;

unsigned BackupFillSealed(unsigned nId, void* pDst, std::size_t nBytes,
                          const std::function<void(void*)>& fill)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    if (nBytes == 0)
        return BACKUP_OK;
    const uintptr_t nFirst =
        reinterpret_cast<uintptr_t>(pDst) & ~uintptr_t(BACKUP_PAGE_SIZE - 1);
    const uintptr_t nEnd = (reinterpret_cast<uintptr_t>(pDst) + nBytes + BACKUP_PAGE_SIZE - 1) &
                           ~uintptr_t(BACKUP_PAGE_SIZE - 1);
    const CBackupArena& arena = CBackupArena::Instance();
    for (uintptr_t nPage = nFirst; nPage < nEnd; nPage += BACKUP_PAGE_SIZE)
        if (arena.Owner(nPage) != nId)
            return BACKUP_E_RANGE;
    BackupStore& store = *pStore;
    if (!RelockIfNeeded(store))
        return BACKUP_E_SYSTEM;
    // Giving redo regions back to the heap (only an allocation left in an
    // undone step has any) writes store memory in a step of its own.
    if (RedoHasRegions(store)) {
        const unsigned nStatus = OpenStep(store);
        if (!BackupSucceeded(nStatus))
            return nStatus;
        DiscardRedo(store);
        if (!BackupSucceeded(CommitOpenStep(store))) {
            RollBackStep(store);
            return BACKUP_E_SYSTEM;
        }
    }
    // What the range held, to put back when the system will not close it
    // again after the fill; and room to seal the undo steps.
    std::unique_ptr<char[]> pBefore;
    const std::size_t nOldKept = store.dqKept.size();
    try {
        BackupMayAllocate();
        pBefore.reset(new char[nEnd - nFirst]);
    } catch (const std::bad_alloc&) {
        return BACKUP_E_SYSTEM;
    }
    if (!MakeSealRoom(store))
        return BACKUP_E_SYSTEM;
    const std::size_t nPages = (nEnd - nFirst) / BACKUP_PAGE_SIZE;
    if (!Protect(nFirst, nPages, PROT_READ | PROT_WRITE)) {
        store.dqKept.resize(nOldKept);
        return BACKUP_E_SYSTEM;
    }
    NotifyChange(nId);
    std::memcpy(pBefore.get(), reinterpret_cast<const void*>(nFirst), nEnd - nFirst);
#ifdef MADV_POPULATE_WRITE
    // One call gives the range its memory, instead of a page fault per page;
    // refused, the writes below fault the pages in one by one.
    (void)madvise(reinterpret_cast<void*>(nFirst), nEnd - nFirst, MADV_POPULATE_WRITE);
#endif
    fill(pDst);
    if (!Protect(nFirst, nPages, PROT_READ)) {
        std::memcpy(reinterpret_cast<void*>(nFirst), pBefore.get(), nEnd - nFirst);
        if (!Protect(nFirst, nPages, PROT_READ))
            store.bRelock = true;
        store.dqKept.resize(nOldKept);
        return BACKUP_E_SYSTEM;
    }
    // What a commit followed by a seal would leave of the lists.
    for (auto& pStep : store.dqRedo)
        FreeDifferences(*pStep);
    store.dqRedo.clear();
    SealIntoRoom(store, nOldKept);
    return BACKUP_OK;
}

unsigned BackupWriteSealed(unsigned nId, void* pDst, const void* pSrc, std::size_t nBytes)
{
    return BackupFillSealed(nId, pDst, nBytes,
                            [&](void* p) { std::memcpy(p, pSrc, nBytes); });
}

void* BackupAllocSealed(unsigned nSize, unsigned nId, const std::function<void(void*)>& fill)
{
    BackupStore* pStore = Find(nId);
    if (!pStore || pStore->bOpen)
        return nullptr;
    BackupStore& store = *pStore;
    if (!BackupSucceeded(OpenStep(store)))
        throw CBackupError("virtual alloc failed");
    BackupStep& step = *store.dqUndo.front();
    void* p = nullptr;
    store.bQuiet = true;
    try {
        p = BackupAlloc(nSize, nId);
    } catch (...) {
        store.bQuiet = false;
        CloseEmptyStep(store); // a failed allocation wrote nothing
        throw;
    }
    store.bQuiet = false;
    const auto nBlock = reinterpret_cast<uintptr_t>(p);
    // A block inside a region this step committed is still writable: fill
    // it now, its memory populated in one call rather than a fault a page.
    // Elsewhere the fill's writes fault and are recorded like any others.
    if (fill) {
        auto it = step.mapRegions.upper_bound(nBlock);
        if (it != step.mapRegions.begin() && (--it, nBlock + nSize <= it->first + it->second)) {
#ifdef MADV_POPULATE_WRITE
            const uintptr_t nFirst = nBlock & ~uintptr_t(BACKUP_PAGE_SIZE - 1);
            (void)madvise(reinterpret_cast<void*>(nFirst), nBlock + nSize - nFirst, MADV_POPULATE_WRITE);
#endif
        }
        fill(p);
    }
    // The regions this step committed were writable for the heap's set-up;
    // from here on they are store pages like any other. Neighbours go in
    // one call.
    bool bOk = true;
    for (auto it = step.mapRegions.begin(); bOk && it != step.mapRegions.end();) {
        const uintptr_t nStart = it->first;
        uintptr_t nEnd = it->first + it->second;
        for (++it; it != step.mapRegions.end() && it->first == nEnd; ++it)
            nEnd += it->second;
        bOk = Protect(nStart, (nEnd - nStart) / BACKUP_PAGE_SIZE, PROT_READ);
    }
    // Room to seal first: after the commit, nothing may fail.
    const std::size_t nOldKept = store.dqKept.size();
    bOk = bOk && MakeSealRoom(store);
    bOk = bOk && BackupSucceeded(CommitOpenStep(store));
    if (!bOk) {
        store.dqKept.resize(nOldKept);
        RollBackStep(store);
        throw CBackupError("virtual alloc failed");
    }
    SealIntoRoom(store, nOldKept);
    return p;
}

