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
#include <functional>
#include <memory>
#include <new>
#include <thread>

unsigned g_nUndoRedoStep = 100;

namespace gwstore {

// Scratch for one page's encoded difference, reserved once for the process.
uint16_t s_aScratch[BackupEncodedMaxWords(BACKUP_PAGE_WORDS)];
// The differences a commit prepares before it changes anything.
std::vector<void*> s_vPrepared;

#if !defined(NDEBUG) || defined(GW_CHECK_STORE_THREAD)
// Every store operation runs on the thread that made the first one; other
// threads may only read store memory.
void CheckThread()
{
    static const std::thread::id s_owner = std::this_thread::get_id();
    if (std::this_thread::get_id() != s_owner) {
        std::fputs("backup store used off its owning thread\n", stderr);
        std::abort();
    }
}
#else
void CheckThread() {}
#endif

BackupStore* Find(unsigned nId)
{
    CheckThread();
    BackupGlobals& state = BackupState();
    if (nId != 0 && nId == state.nFoundId)
        return state.pFound;
    auto it = state.mapStores.find(nId);
    if (it == state.mapStores.end())
        return nullptr;
    state.nFoundId = nId;
    state.pFound = &it->second;
    return state.pFound;
}

// Calls fn(first page, page count) for each run of consecutive pages among
// the first nEnd.
template <typename Fn> void ForEachRun(const std::vector<BackupPage>& vPages, std::size_t nEnd, Fn fn)
{
    std::size_t i = 0;
    while (i < nEnd) {
        std::size_t j = i + 1;
        while (j < nEnd && vPages[j].nPage == vPages[j - 1].nPage + BACKUP_PAGE_SIZE)
            ++j;
        fn(i, j - i);
        i = j;
    }
}

bool Protect(uintptr_t nPage, std::size_t nPages, int nProt)
{
    return BackupProtect(reinterpret_cast<void*>(nPage), nPages * BACKUP_PAGE_SIZE, nProt);
}

// Gives every page of the step protection nProt. When the system refuses,
// the runs already changed get nBack again and the result is false; if even
// that is refused, the store's flags say what was left behind.
bool ProtectPages(BackupStore& store, const std::vector<BackupPage>& vPages, int nProt, int nBack)
{
    std::size_t nDone = 0;
    bool bOk = true;
    ForEachRun(vPages, vPages.size(), [&](std::size_t nFirst, std::size_t nCount) {
        if (bOk && Protect(vPages[nFirst].nPage, nCount, nProt))
            nDone = nFirst + nCount;
        else
            bOk = false;
    });
    if (bOk)
        return true;
    ForEachRun(vPages, nDone, [&](std::size_t nFirst, std::size_t nCount) {
        if (!Protect(vPages[nFirst].nPage, nCount, nBack)) {
            if (nBack & PROT_WRITE)
                store.bRecheck = true;
            else
                store.bRelock = true;
        }
    });
    return false;
}

void SortPages(BackupStep& step)
{
    std::sort(step.mapPages.begin(), step.mapPages.end(),
              [](const BackupPage& a, const BackupPage& b) { return a.nPage < b.nPage; });
}

// Every region the store owns, for a relock of all its pages.
template <typename Fn> void ForEachRegion(const BackupStore& store, Fn fn)
{
    for (const auto* pList : {&store.dqUndo, &store.dqRedo, &store.dqKept})
        for (const auto& pStep : *pList)
            for (const auto& [nStart, nBytes] : pStep->mapRegions)
                fn(nStart, nBytes);
    for (const auto& [nStart, nBytes] : store.mapLooseRegions)
        fn(nStart, nBytes);
}

// After a rollback that the system refused half way, closes every page of
// the store again before anything else may change it. False while a page is
// still open.
bool RelockIfNeeded(BackupStore& store)
{
    if (!store.bRelock)
        return true;
    bool bOk = true;
    ForEachRegion(store, [&](uintptr_t nStart, std::size_t nBytes) {
        bOk = bOk && BackupProtect(reinterpret_cast<void*>(nStart), nBytes, PROT_READ);
    });
    if (bOk)
        store.bRelock = false;
    return bOk;
}

// Takes the pages of a region the step has just committed into the store:
// entered in the owner map. Room for them in the step and copy pages were
// made ready by the caller.
void AdoptPages(BackupStore& store, uintptr_t nStart, std::size_t nBytes)
{
    CBackupArena::Instance().SetOwner(nStart, nBytes, static_cast<unsigned>(store.nId));
    store.nPages += nBytes / BACKUP_PAGE_SIZE;
}

void ReleaseRegion(BackupStore& store, uintptr_t nStart, std::size_t nBytes)
{
    CBackupArena::Instance().SetOwner(nStart, nBytes, 0);
    store.nPages -= std::min(store.nPages, nBytes / BACKUP_PAGE_SIZE);
    if (reinterpret_cast<uintptr_t>(store.pHeapInfo) == nStart)
        store.pHeapInfo = nullptr;
    // A range the system will not close yet stays the arena's to retry; it
    // belongs to no store from here on.
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

void XorStep(const BackupStep& step)
{
    for (const BackupPage& page : step.mapPages)
        BackupDecodeXor(static_cast<const uint16_t*>(page.pData), page.nBytes / 2,
                        reinterpret_cast<uint16_t*>(page.nPage), BACKUP_PAGE_WORDS);
}

// XORs a step's differences into its pages: undo and redo alike. Every page
// is opened before any is changed, so a refusal changes nothing; a refusal
// to close them again is taken back by XOR-ing once more.
bool ApplyStep(BackupStore& store, const BackupStep& step)
{
    if (!ProtectPages(store, step.mapPages, PROT_READ | PROT_WRITE, PROT_READ))
        return false;
    XorStep(step);
    if (ProtectPages(store, step.mapPages, PROT_READ, PROT_READ | PROT_WRITE))
        return true;
    if (store.bRecheck) {
        // Pages that could not be opened again hold the change; only a
        // second refusal in a row leads here. The frame is whole again
        // once the store can be relocked and the step applied once more,
        // which nothing does: say so rather than pretend.
        store.bRecheck = false;
        store.bRelock = true;
        return false;
    }
    XorStep(step);
    if (!ProtectPages(store, step.mapPages, PROT_READ, PROT_READ))
        store.bRelock = true;
    return false;
}

// Redo steps are gone for good. The regions they committed (only an
// allocation left in an undone step has any) stay in the heap as free
// blocks; inside an open step, the heap's changes are recorded.
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

bool RedoHasRegions(const BackupStore& store)
{
    return std::any_of(store.dqRedo.begin(), store.dqRedo.end(),
                       [](const auto& pStep) { return !pStep->mapRegions.empty(); });
}

void ClosePromise(BackupStep& step)
{
    CCopyPool::Instance().Unpromise(step.nPromised);
    step.nPromised = 0;
}

BackupChangeObserver g_pfnChangeObserver = nullptr;

void NotifyChange(unsigned nId)
{
    if (g_pfnChangeObserver)
        g_pfnChangeObserver(nId);
}

// Opens a step: everything it needs (the step, room for a record of every
// page, a promised copy page each) is made before anything changes.
unsigned OpenStep(BackupStore& store)
{
    if (!RelockIfNeeded(store))
        return BACKUP_E_SYSTEM;
    NotifyChange(static_cast<unsigned>(store.nId));
    std::unique_ptr<BackupStep> pStep;
    try {
        BackupMayAllocate();
        pStep = std::make_unique<BackupStep>();
        BackupMayAllocate();
        pStep->mapPages.reserve(store.nPages);
        BackupMayAllocate();
        store.dqUndo.emplace_front();
    } catch (const std::bad_alloc&) {
        return BACKUP_E_SYSTEM;
    }
    try {
        CCopyPool::Instance().Promise(store.nPages);
    } catch (const CBackupError&) {
        store.dqUndo.pop_front();
        return BACKUP_E_SYSTEM;
    }
    pStep->nPromised = store.nPages;
    pStep->nSeq = BackupState().nNextSeq++;
    store.dqUndo.front() = std::move(pStep);
    store.bOpen = true;
    return BACKUP_OK;
}

// Closes the open step without a trace when nothing was written in it.
void CloseEmptyStep(BackupStore& store)
{
    ClosePromise(*store.dqUndo.front());
    store.dqUndo.pop_front();
    store.bOpen = false;
}

// Puts the open step's pages back as they were before it and closes it,
// for an allocation that cannot be completed. Regions the step committed go
// back to the system.
void RollBackStep(BackupStore& store)
{
    BackupStep& step = *store.dqUndo.front();
    SortPages(step);
    for (const BackupPage& page : step.mapPages)
        std::memcpy(reinterpret_cast<void*>(page.nPage), page.pData, BACKUP_PAGE_SIZE);
    // Pages of regions this step committed go with their regions below.
    std::erase_if(step.mapPages, [&](const BackupPage& page) {
        auto it = step.mapRegions.upper_bound(page.nPage);
        const bool bNew = it != step.mapRegions.begin() && (--it, page.nPage < it->first + it->second);
        if (bNew)
            CCopyPool::Instance().Give(page.pData);
        return bNew;
    });
    if (!ProtectPages(store, step.mapPages, PROT_READ, PROT_READ))
        store.bRelock = true; // the next operation closes them
    for (const BackupPage& page : step.mapPages)
        CCopyPool::Instance().Give(page.pData);
    step.mapPages.clear();
    for (const auto& [nStart, nBytes] : step.mapRegions)
        ReleaseRegion(store, nStart, nBytes);
    step.mapRegions.clear();
    CloseEmptyStep(store);
}

// Differences a commit has encoded but not yet installed.
struct CPrepared {
    std::vector<void*> vDiffs;
    std::vector<std::size_t> vBytes;
    void Clear()
    {
        for (void* p : vDiffs)
            std::free(p);
        vDiffs.clear();
        vBytes.clear();
    }
};
CPrepared s_prepared;

// The first part of a commit, which changes nothing: every page's difference
// encoded into a block of exactly its length. False when memory runs out.
bool PrepareDifferences(const BackupStep& step)
{
    s_prepared.Clear();
    try {
        BackupMayAllocate();
        s_prepared.vDiffs.reserve(step.mapPages.size());
        s_prepared.vBytes.reserve(step.mapPages.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (const BackupPage& page : step.mapPages) {
        const std::size_t nBytes =
            BackupEncodePageXor(page.pData, reinterpret_cast<const void*>(page.nPage), s_aScratch) * 2;
        void* pDiff = BackupInjectedFailure() ? nullptr : std::malloc(nBytes);
        if (!pDiff) {
            s_prepared.Clear();
            return false;
        }
        std::memcpy(pDiff, s_aScratch, nBytes);
        s_prepared.vDiffs.push_back(pDiff);
        s_prepared.vBytes.push_back(nBytes);
    }
    return true;
}

bool MakeSealRoom(BackupStore& store)
{
    if (store.dqUndo.empty() || store.dqKept.empty())
        return true; // nothing to move, or the lists are swapped
    try {
        BackupMayAllocate();
        store.dqKept.resize(store.dqKept.size() + store.dqUndo.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void SealIntoRoom(BackupStore& store, std::size_t nOldKept)
{
    if (store.dqKept.empty()) {
        store.dqKept.swap(store.dqUndo);
        return;
    }
    // A commit since the room was made may have dropped steps: what is left
    // over of the room goes (shrinking allocates nothing).
    const std::size_t nMoved = store.dqUndo.size();
    std::move(store.dqUndo.begin(), store.dqUndo.end(),
              store.dqKept.begin() + static_cast<std::ptrdiff_t>(nOldKept));
    store.dqKept.resize(nOldKept + nMoved);
    store.dqUndo.clear();
}

unsigned CommitOpenStep(BackupStore& store)
{
    BackupStep& step = *store.dqUndo.front();
    // Only an allocation left in an undone step (against the contract) puts
    // regions in the redo list. Handing them back to the heap writes store
    // memory, which this step records, so it comes before the encoding; a
    // commit that then fails keeps the step open with those writes in it.
    if (RedoHasRegions(store))
        DiscardRedo(store);

    SortPages(step);
    for (const BackupPage& page : step.mapPages)
        if (!page.pData)
            return BACKUP_E_SYSTEM; // the filter records a copy with every page
    if (!PrepareDifferences(step))
        return BACKUP_E_SYSTEM;
    if (!ProtectPages(store, step.mapPages, PROT_READ, PROT_READ | PROT_WRITE)) {
        s_prepared.Clear();
        return BACKUP_E_SYSTEM;
    }

    // Nothing below can fail.
    CCopyPool& pool = CCopyPool::Instance();
    for (std::size_t i = 0; i < step.mapPages.size(); ++i) {
        BackupPage& page = step.mapPages[i];
        pool.Give(page.pData);
        page.pData = s_prepared.vDiffs[i];
        page.nBytes = s_prepared.vBytes[i];
    }
    s_prepared.vDiffs.clear();
    s_prepared.vBytes.clear();
    ClosePromise(step);
    store.bOpen = false;
    store.bRecheck = false;
    DiscardRedo(store);
    // A limit of 0 would drop the very step being committed.
    const std::size_t nLimit = std::max(1u, g_nUndoRedoStep);
    while (store.dqUndo.size() > nLimit) {
        std::unique_ptr<BackupStep> pOldest = std::move(store.dqUndo.back());
        store.dqUndo.pop_back();
        const auto mapRegions = std::move(pOldest->mapRegions);
        pOldest->mapRegions.clear();
        FreeDifferences(*pOldest);
        for (const auto& [nStart, nBytes] : mapRegions) {
            ReleaseRegion(store, nStart, nBytes);
            ForgetRegion(store, nStart, nBytes);
        }
    }
    return BACKUP_OK;
}

} // namespace gwstore

void BackupSetChangeObserver(BackupChangeObserver pfnObserver)
{
    gwstore::g_pfnChangeObserver = pfnObserver;
}
