#include "core/backup_store.h"

#include "core/backup_arena.h"
#include "core/backup_codec.h"
#include "core/backup_heap.h"
#include "core/backup_store_internal.h"

#include <sys/mman.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <cstring>

unsigned g_nUndoRedoStep = 100;

namespace {

// Scratch for one page's encoding, reserved once for the process.
uint16_t s_aScratch[BackupEncodedMaxWords(BACKUP_PAGE_WORDS)];

BackupStore* Find(unsigned nId)
{
    auto& mapStores = BackupState().mapStores;
    auto it = mapStores.find(nId);
    return it == mapStores.end() ? nullptr : &it->second;
}

// Calls fn(first page, page count) for each run of consecutive pages.
template <typename Fn> void ForEachRun(const std::vector<BackupPage>& vPages, Fn fn)
{
    std::size_t i = 0;
    while (i < vPages.size()) {
        std::size_t j = i + 1;
        while (j < vPages.size() && vPages[j].nPage == vPages[j - 1].nPage + BACKUP_PAGE_SIZE)
            ++j;
        fn(i, j - i);
        i = j;
    }
}

bool Protect(uintptr_t nPage, std::size_t nPages, int nProt)
{
    return BackupProtect(reinterpret_cast<void*>(nPage), nPages * BACKUP_PAGE_SIZE, nProt);
}

// Adds pages to the store while its step is open: entered in the owner map,
// and room made for them in the step before they can fault.
// The region is the step's from the start, so that a failure below still
// gives it back with the step.
void AdoptPages(BackupStore& store, uintptr_t nStart, std::size_t nBytes)
{
    const std::size_t nPages = nBytes / BACKUP_PAGE_SIZE;
    BackupStep& step = *store.dqUndo.front();
    step.mapRegions[nStart] = nBytes;
    CBackupArena::Instance().SetOwner(nStart, nBytes, static_cast<unsigned>(store.nId));
    store.nPages += nPages;
    step.mapPages.reserve(store.nPages);
    if (!store.bQuiet) {
        CCopyPool::Instance().Promise(nPages);
        step.nPromised += nPages;
    }
}

void ReleaseRegion(BackupStore& store, uintptr_t nStart, std::size_t nBytes)
{
    CBackupArena::Instance().SetOwner(nStart, nBytes, 0);
    store.nPages -= std::min(store.nPages, nBytes / BACKUP_PAGE_SIZE);
    if (reinterpret_cast<uintptr_t>(store.pHeapInfo) == nStart)
        store.pHeapInfo = nullptr;
    CBackupArena::Instance().Decommit(reinterpret_cast<void*>(nStart), nBytes);
}

void FreeDifferences(BackupStep& step)
{
    for (BackupPage& page : step.mapPages)
        std::free(page.pData);
    step.mapPages.clear();
}

// Drops a step for good: its regions go back to the system.
void DropStep(BackupStore& store, BackupStep& step)
{
    FreeDifferences(step);
    for (const auto& [nStart, nBytes] : step.mapRegions)
        ReleaseRegion(store, nStart, nBytes);
    step.mapRegions.clear();
}

// Commits a new region for a request of nSize bytes, as one free block.
BackupFreeBlock* NewRegion(BackupStore& store, std::size_t nSize)
{
    const std::size_t nBytes = (nSize / BACKUP_REGION_GRANULE + 1) * BACKUP_REGION_GRANULE;
    void* p = CBackupArena::Instance().Commit(nBytes, store.bQuiet);
    if (!p)
        throw CBackupError("virtual alloc failed");
    AdoptPages(store, reinterpret_cast<uintptr_t>(p), nBytes);
    auto* pBlock = static_cast<BackupFreeBlock*>(p);
    std::memset(pBlock, 0, sizeof *pBlock);
    pBlock->nSize = static_cast<uint32_t>(nBytes - BACKUP_BLOCK_HEADER);
    return pBlock;
}

// Forgets what the store's remaining steps recorded of a region that is gone.
// Only an allocation left in an undo step (against the store's contract) can
// lead here; without it, undo would write to memory the store no longer owns.
void ForgetRegion(BackupStore& store, uintptr_t nStart, std::size_t nBytes)
{
    for (auto* pList : {&store.dqUndo, &store.dqRedo, &store.dqKept}) {
        for (auto& pStep : *pList) {
            const bool bOpenStep = store.bOpen && pStep == store.dqUndo.front();
            std::erase_if(pStep->mapPages, [&](const BackupPage& page) {
                if (page.nPage < nStart || page.nPage >= nStart + nBytes)
                    return false;
                if (bOpenStep)
                    CCopyPool::Instance().Give(page.pData);
                else
                    std::free(page.pData);
                return true;
            });
        }
    }
}

// XORs a step's differences into its pages: undo and redo alike.
void ApplyStep(BackupStep& step)
{
    ForEachRun(step.mapPages, [&](std::size_t nFirst, std::size_t nCount) {
        if (!Protect(step.mapPages[nFirst].nPage, nCount, PROT_READ | PROT_WRITE))
            throw CBackupError("");
        for (std::size_t i = nFirst; i < nFirst + nCount; ++i) {
            const BackupPage& page = step.mapPages[i];
            BackupDecodeXor(static_cast<const uint16_t*>(page.pData), page.nBytes / 2,
                            reinterpret_cast<uint16_t*>(page.nPage), BACKUP_PAGE_WORDS);
        }
        if (!Protect(step.mapPages[nFirst].nPage, nCount, PROT_READ))
            throw CBackupError("");
    });
}

// Redo steps are gone for good; the regions they committed stay in the heap
// as free blocks. Inside an open step, the heap's changes are recorded.
void DiscardRedo(BackupStore& store)
{
    for (auto& pStep : store.dqRedo) {
        FreeDifferences(*pStep);
        for (const auto& [nStart, nBytes] : pStep->mapRegions) {
            if (reinterpret_cast<void*>(nStart) == store.pHeapInfo || !store.pHeapInfo)
                continue;
            auto* pBlock = reinterpret_cast<BackupFreeBlock*>(nStart);
            pBlock->nSize = static_cast<uint32_t>(nBytes - BACKUP_BLOCK_HEADER);
            CBackupHeap(store.pHeapInfo).Insert(pBlock);
        }
    }
    store.dqRedo.clear();
}

void ClosePromise(BackupStep& step)
{
    CCopyPool::Instance().Unpromise(step.nPromised);
    step.nPromised = 0;
}

} // namespace

unsigned BackupCreate()
{
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

    if (!pStore->pHeapInfo) {
        void* pInfo = CBackupArena::Instance().Commit(BACKUP_PAGE_SIZE, pStore->bQuiet);
        if (!pInfo)
            throw CBackupError("virtual alloc failed");
        AdoptPages(*pStore, reinterpret_cast<uintptr_t>(pInfo), BACKUP_PAGE_SIZE);
        pStore->pHeapInfo = pInfo;
        CBackupHeap::InitInfo(pInfo);
    }
    CBackupHeap heap(pStore->pHeapInfo);
    if (heap.IsEmpty())
        heap.Insert(NewRegion(*pStore, nSize));
    BackupFreeBlock* pBlock = heap.TakeFirstFit(nSize);
    if (!pBlock)
        pBlock = NewRegion(*pStore, nSize);
    return heap.HandOut(pBlock, nSize);
}

namespace {

BackupChangeObserver g_pfnChangeObserver = nullptr;

void NotifyChange(unsigned nId)
{
    if (g_pfnChangeObserver)
        g_pfnChangeObserver(nId);
}

} // namespace

void BackupSetChangeObserver(BackupChangeObserver pfnObserver)
{
    g_pfnChangeObserver = pfnObserver;
}

unsigned BackupBegin(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    NotifyChange(nId);
    auto pStep = std::make_unique<BackupStep>();
    pStep->nSeq = BackupState().nNextSeq++;
    pStep->mapPages.reserve(pStore->nPages);
    CCopyPool::Instance().Promise(pStore->nPages);
    pStep->nPromised = pStore->nPages;
    pStore->dqUndo.push_front(std::move(pStep));
    pStore->bOpen = true;
    return BACKUP_OK;
}

unsigned BackupCommit(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (!pStore->bOpen)
        return BACKUP_E_NOT_OPEN;
    BackupStore& store = *pStore;

    DiscardRedo(store);

    // A limit of 0 would drop the very step being committed.
    const std::size_t nLimit = std::max(1u, g_nUndoRedoStep);
    while (store.dqUndo.size() > nLimit) {
        std::unique_ptr<BackupStep> pOldest = std::move(store.dqUndo.back());
        store.dqUndo.pop_back();
        const auto mapRegions = pOldest->mapRegions;
        DropStep(store, *pOldest);
        for (const auto& [nStart, nBytes] : mapRegions)
            ForgetRegion(store, nStart, nBytes);
    }

    BackupStep& step = *store.dqUndo.front();
    std::sort(step.mapPages.begin(), step.mapPages.end(),
              [](const BackupPage& a, const BackupPage& b) { return a.nPage < b.nPage; });
    CCopyPool& pool = CCopyPool::Instance();
    for (BackupPage& page : step.mapPages) {
        void* pCopy = page.pData;
        if (!pCopy)
            throw CBackupError("missing 'before' page");
        auto* pBefore = static_cast<uint32_t*>(pCopy);
        const auto* pNow = reinterpret_cast<const uint32_t*>(page.nPage);
        for (std::size_t i = 0; i < BACKUP_PAGE_SIZE / 4; ++i)
            pBefore[i] ^= pNow[i];
        const std::size_t nWords =
            BackupEncode(static_cast<const uint16_t*>(pCopy), BACKUP_PAGE_WORDS, s_aScratch);
        pool.Give(pCopy);
        page.nBytes = nWords * 2;
        page.pData = std::malloc(page.nBytes);
        if (!page.pData)
            throw CBackupError("virtual alloc failed");
        std::memcpy(page.pData, s_aScratch, page.nBytes);
    }
    ForEachRun(step.mapPages, [&](std::size_t nFirst, std::size_t nCount) {
        if (!Protect(step.mapPages[nFirst].nPage, nCount, PROT_READ))
            throw CBackupError("virtual protect failed");
    });
    step.mapPages.shrink_to_fit();
    ClosePromise(step);
    store.bOpen = false;
    return BACKUP_OK;
}

unsigned BackupCancel(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (!pStore->bOpen)
        return BACKUP_E_NOT_OPEN;
    BackupStep& step = *pStore->dqUndo.front();
    std::sort(step.mapPages.begin(), step.mapPages.end(),
              [](const BackupPage& a, const BackupPage& b) { return a.nPage < b.nPage; });
    for (const BackupPage& page : step.mapPages)
        if (!page.pData)
            throw CBackupError("missing 'backup' page");
    ForEachRun(step.mapPages, [&](std::size_t nFirst, std::size_t nCount) {
        if (!Protect(step.mapPages[nFirst].nPage, nCount, PROT_READ))
            throw CBackupError("virtual protect failed in cancel backup");
    });
    for (const BackupPage& page : step.mapPages)
        CCopyPool::Instance().Give(page.pData);
    step.mapPages.clear();
    pStore->mapLooseRegions.merge(step.mapRegions);
    ClosePromise(step);
    pStore->dqUndo.pop_front();
    pStore->bOpen = false;
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

unsigned BackupUndo(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    if (pStore->dqUndo.empty())
        return BACKUP_E_EMPTY;
    NotifyChange(nId);
    ApplyStep(*pStore->dqUndo.front());
    pStore->dqRedo.push_front(std::move(pStore->dqUndo.front()));
    pStore->dqUndo.pop_front();
    return BACKUP_OK;
}

unsigned BackupRedo(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    if (pStore->dqRedo.empty())
        return BACKUP_E_EMPTY;
    NotifyChange(nId);
    ApplyStep(*pStore->dqRedo.front());
    pStore->dqUndo.push_front(std::move(pStore->dqRedo.front()));
    pStore->dqRedo.pop_front();
    return BACKUP_OK;
}

unsigned BackupSeal(unsigned nId)
{
    BackupStore* pStore = Find(nId);
    if (!pStore)
        return BACKUP_E_NO_STORE;
    if (pStore->bOpen)
        return BACKUP_E_OPEN;
    for (auto& pStep : pStore->dqUndo)
        pStore->dqKept.push_back(std::move(pStep));
    pStore->dqUndo.clear();
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
    return BACKUP_OK;
}

unsigned BackupDestroy(unsigned nId)
{
    const unsigned nStatus = BackupRelease(nId);
    if (BackupSucceeded(nStatus))
        BackupState().mapStores.erase(nId);
    return nStatus;
}

unsigned BackupReleaseAll()
{
    auto& mapStores = BackupState().mapStores;
    for (const auto& [nId, store] : mapStores)
        if (store.bOpen)
            return BACKUP_E_OPEN;
    for (auto& [nId, store] : mapStores)
        BackupRelease(nId);
    return BACKUP_OK;
}

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
    NotifyChange(nId);
    // What a commit followed by a seal would leave of the lists.
    BackupStore& store = *pStore;
    if (!store.dqRedo.empty()) {
        // Giving redo regions back to the heap writes store memory, which
        // needs a step of its own; it is sealed with the rest.
        BackupBegin(nId);
        DiscardRedo(store);
        BackupCommit(nId);
    }
    BackupSeal(nId);

    const std::size_t nPages = (nEnd - nFirst) / BACKUP_PAGE_SIZE;
    if (!Protect(nFirst, nPages, PROT_READ | PROT_WRITE))
        throw CBackupError("virtual protect failed");
#ifdef MADV_POPULATE_WRITE
    // One call gives the range its memory, instead of a page fault per page.
    madvise(reinterpret_cast<void*>(nFirst), nEnd - nFirst, MADV_POPULATE_WRITE);
#endif
    struct Relock {
        uintptr_t nFirst;
        std::size_t nPages;
        ~Relock() { Protect(nFirst, nPages, PROT_READ); }
    } relock{nFirst, nPages};
    fill(pDst);
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
    BackupBegin(nId);
    BackupStore& store = *pStore;
    BackupStep& step = *store.dqUndo.front();
    void* p = nullptr;
    store.bQuiet = true;
    try {
        p = BackupAlloc(nSize, nId);
    } catch (...) {
        store.bQuiet = false;
        BackupCancel(nId);
        throw;
    }
    store.bQuiet = false;
    // A block inside a region this step committed is still writable: fill
    // it now, its memory populated in one call rather than a fault a page.
    const auto nBlock = reinterpret_cast<uintptr_t>(p);
    bool bFilled = false;
    if (fill) {
        auto it = step.mapRegions.upper_bound(nBlock);
        if (it != step.mapRegions.begin() && (--it, nBlock + nSize <= it->first + it->second)) {
#ifdef MADV_POPULATE_WRITE
            const uintptr_t nFirst = nBlock & ~uintptr_t(BACKUP_PAGE_SIZE - 1);
            madvise(reinterpret_cast<void*>(nFirst), nBlock + nSize - nFirst, MADV_POPULATE_WRITE);
#endif
            fill(p);
            bFilled = true;
        }
    }
    // The regions this step committed were writable for the heap's set-up;
    // from here on they are store pages like any other. Neighbours go in
    // one call.
    for (auto it = step.mapRegions.begin(); it != step.mapRegions.end();) {
        const uintptr_t nStart = it->first;
        uintptr_t nEnd = it->first + it->second;
        for (++it; it != step.mapRegions.end() && it->first == nEnd; ++it)
            nEnd += it->second;
        if (!Protect(nStart, (nEnd - nStart) / BACKUP_PAGE_SIZE, PROT_READ))
            throw CBackupError("virtual protect failed");
    }
    BackupCommit(nId);
    BackupSeal(nId);
    if (fill && !bFilled)
        BackupFillSealed(nId, p, nSize, fill);
    return p;
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
