// The store's public calls: each finds its store, checks the thread and
// hands the work to the step operations of backup_store.cpp.
#include "core/backup_store.h"

#include "core/backup_arena.h"
#include "core/backup_codec.h"
#include "core/backup_heap.h"
#include "core/backup_store_internal.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <new>
using namespace gwstore;

unsigned BackupCreate()
{
    CheckThread();
    auto& state = BackupState();
    const unsigned nId = state.nNextId++;
    BackupStore& store = state.mapStores[nId];
    store.nId = static_cast<int>(nId);
    return nId;
}

void* BackupAlloc(unsigned nSize, unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore || !pStore->bOpen)
        return nullptr;
    if (nSize < BACKUP_MIN_BLOCK + 1)
        nSize = BACKUP_MIN_BLOCK;
    // Blocks stay 4-byte aligned so that their headers and links are.
    if (nSize > 0x7FFF0000u)
        throw CBackupError("virtual alloc failed");
    nSize = (nSize + 3) & ~3u;
    return AllocInStep(*pStore, nSize);
}

unsigned BackupBegin(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    return OpenStep(*pStore);
}

unsigned BackupCommit(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (!pStore->bOpen)
        return BACKUP_E_NOT_OPEN;
    return CommitOpenStep(*pStore);
}

unsigned BackupCancel(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (!pStore->bOpen)
        return BACKUP_E_NOT_OPEN;
    BackupStep& step = *pStore->dqUndo.front();
    SortPages(step);
    for (const BackupPage& page : step.mapPages)
        if (!page.pData)
            return BACKUP_E_SYSTEM; // the filter records a copy with every page
    if (!ProtectPages(*pStore, step.mapPages, PROT_READ, PROT_READ | PROT_WRITE))
        return BACKUP_E_SYSTEM;
    for (const BackupPage& page : step.mapPages)
        CCopyPool::Instance().Give(page.pData);
    step.mapPages.clear();
    // Regions allocated in the step stay in use; they go with the store.
    pStore->mapLooseRegions.merge(step.mapRegions);
    pStore->bRecheck = false;
    CloseEmptyStep(*pStore);
    return BACKUP_OK;
}

int BackupIsOpen(unsigned nId)
{
    const BackupStore* pStore = Find(nId);
    return pStore && pStore->bOpen ? pStore->dqUndo.front()->nSeq : 0;
}

int BackupCanUndo(unsigned nId)
{
    const BackupStore* pStore = Find(nId);
    if (!pStore)
        return 0;
    // The open step cannot be undone; the newest committed one can.
    const std::size_t nIndex = pStore->bOpen ? 1 : 0;
    return pStore->dqUndo.size() > nIndex ? pStore->dqUndo[nIndex]->nSeq : 0;
}

int BackupCanRedo(unsigned nId)
{
    const BackupStore* pStore = Find(nId);
    return pStore && !pStore->dqRedo.empty() ? pStore->dqRedo.front()->nSeq : 0;
}

namespace {

// Undo and redo: the front step of one list is applied and moves to the
// front of the other. The destination's slot is made first.
unsigned MoveApplied(BackupStore& store, std::deque<std::unique_ptr<BackupStep>>& dqFrom,
                     std::deque<std::unique_ptr<BackupStep>>& dqTo)
{
    if (store.bOpen)
        return BACKUP_E_OPEN;
    if (dqFrom.empty())
        return BACKUP_E_EMPTY;
    if (!RelockIfNeeded(store))
        return BACKUP_E_SYSTEM;
    try {
        BackupMayAllocate();
        dqTo.emplace_front();
    } catch (const std::bad_alloc&) {
        return BACKUP_E_SYSTEM;
    }
    NotifyChange(static_cast<unsigned>(store.nId));
    if (!ApplyStep(store, *dqFrom.front())) {
        dqTo.pop_front();
        return BACKUP_E_SYSTEM;
    }
    dqTo.front() = std::move(dqFrom.front());
    dqFrom.pop_front();
    return BACKUP_OK;
}

} // namespace

unsigned BackupUndo(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    return pStore ? MoveApplied(*pStore, pStore->dqUndo, pStore->dqRedo) : BACKUP_E_NO_STORE;
}

unsigned BackupRedo(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    return pStore ? MoveApplied(*pStore, pStore->dqRedo, pStore->dqUndo) : BACKUP_E_NO_STORE;
}

unsigned BackupSeal(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    const std::size_t nOldKept = pStore->dqKept.size();
    if (!MakeSealRoom(*pStore))
        return BACKUP_E_SYSTEM;
    SealIntoRoom(*pStore, nOldKept);
    return BACKUP_OK;
}

unsigned BackupRelease(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    NotifyChange(nId);
    // Nothing here can fail: a range the system will not close yet is left
    // with the arena, which owns it from now on and tries again later.
    BackupStore& store = *pStore;
    for (auto* pList : {&store.dqRedo, &store.dqUndo, &store.dqKept}) {
        for (auto& pStep : *pList)
            DropStep(store, *pStep);
        pList->clear();
    }
    for (const auto& [nStart, nBytes] : store.mapLooseRegions)
        ReleaseRegion(store, nStart, nBytes);
    store.mapLooseRegions.clear();
    // Every page has gone with its region; this catches any stray entry.
    if (store.nPages != 0)
        CBackupArena::Instance().ForgetOwner(nId);
    store.pHeapInfo = nullptr;
    store.nPages = 0;
    store.bRelock = false;
    return BACKUP_OK;
}

unsigned BackupDestroy(unsigned nId)
{
    const unsigned nStatus = BackupRelease(nId);
    if (BackupSucceeded(nStatus)) {
        BackupGlobals& state = BackupState();
        state.mapStores.erase(nId);
        if (state.nFoundId == nId) {
            state.nFoundId = 0;
            state.pFound = nullptr;
        }
    }
    return nStatus;
}

unsigned BackupReleaseAll()
{
    CheckThread();
    auto& mapStores = BackupState().mapStores;
    for (const auto& [nId, store] : mapStores)
        if (store.bOpen)
            return BACKUP_E_OPEN;
    for (auto& [nId, store] : mapStores)
        BackupRelease(nId);
    return BACKUP_OK;
}

bool BackupGetStats(unsigned nId, BackupStoreStats& stats)
{
    const BackupStore* pStore = Find(nId);
    if (!pStore)
        return false;
    stats = BackupStoreStats{};
    stats.nUndo = pStore->dqUndo.size();
    stats.nRedo = pStore->dqRedo.size();
    stats.nKept = pStore->dqKept.size();
    stats.nPages = pStore->nPages;
    const std::size_t nIndex = pStore->bOpen ? 1 : 0;
    if (pStore->dqUndo.size() > nIndex) {
        const BackupStep& step = *pStore->dqUndo[nIndex];
        stats.nNewestDiffPages = step.mapPages.size();
        for (const BackupPage& page : step.mapPages)
            stats.nNewestDiffBytes += page.nBytes;
    }
    return true;
}

void* BackupHeapInfo(unsigned nId)
{
    const BackupStore* pStore = Find(nId);
    return pStore ? pStore->pHeapInfo : nullptr;
}
