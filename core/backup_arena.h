// Where the stores' memory comes from.
//
// CBackupArena hands out page-aligned ranges of one large address range that
// is reserved once for the process, as one mapping. Committing a range only
// changes its protection, so neighbouring ranges with the same protection
// stay one kernel mapping: the number of mappings does not grow with the
// number of stores. Keeping every store page inside the arena also lets the
// heap link its free blocks with 32-bit offsets, so a free block's links fit
// its first 16 bytes. Committed pages are zero-filled; decommitted ones give
// their memory back to the system.
//
// The arena also keeps the page owner table: for each of its pages, the id of
// the store that owns it (0 for none). A flat table needs no allocation to
// look up, which the fault handler relies on.
//
// CCopyPool keeps the read-write pages that hold "before" copies while a step
// is open. The fault handler may not allocate, so pages are promised to a step
// before it can fault, and the handler only takes what was promised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class CBackupArena {
public:
    static CBackupArena& Instance();

    // Commits nBytes (a multiple of the page size), read-only or writable;
    // null, with nothing changed, when the arena is full or the system
    // refuses.
    void* Commit(std::size_t nBytes, bool bWritable = false);
    // Gives a committed range back; its contents are lost. A range the system
    // would not close again stays out of the free list (so nothing is ever
    // handed out that might still be open) and is tried again with the next
    // decommit; false tells that it was not closed yet.
    bool Decommit(void* p, std::size_t nBytes);

    // 32-bit links: offsets in 4-byte units from the arena's base; 0 is null.
    uint32_t ToLink(const void* p) const
    {
        return p ? static_cast<uint32_t>((static_cast<const char*>(p) - m_pBase) / 4) : 0;
    }
    void* FromLink(uint32_t nLink) const { return nLink ? m_pBase + std::size_t(nLink) * 4 : nullptr; }

    // The page owner table. Owner is allocation-free and safe in a signal
    // handler; an address outside the arena has no owner.
    unsigned Owner(uintptr_t nPage) const
    {
        const uintptr_t nBase = reinterpret_cast<uintptr_t>(m_pBase);
        if (nPage < nBase || nPage >= nBase + m_nBytes)
            return 0;
        return m_pOwners[(nPage - nBase) >> 12];
    }
    void SetOwner(uintptr_t nStart, std::size_t nBytes, unsigned nId);
    // Clears every page entry of store nId (a slow sweep, for stray entries).
    void ForgetOwner(unsigned nId);

    std::size_t ReservedBytes() const { return m_nBytes; }

private:
    CBackupArena();
    char* m_pBase = nullptr;
    std::size_t m_nBytes = 0;
    std::size_t m_nPages = 0;
    std::size_t m_nHighPage = 0; // one past the highest page ever committed
    unsigned* m_pOwners = nullptr;
    std::map<std::size_t, std::size_t> m_mapFree; // first free page to run length
    std::vector<std::pair<char*, std::size_t>> m_vUnclosed; // decommits to try again

    bool Close(char* p, std::size_t nBytes);
    void AddFree(std::size_t nFirst, std::size_t nCount);
};

// Every change of a store page's protection goes through here, so that a test
// can make one fail the way the system would. Allocation-free.
bool BackupProtect(void* p, std::size_t nBytes, int nProt);

// For tests: the nth fallible call from now (1: the next one) fails as if
// the system had refused it; 0 turns this off. The calls counted are every
// protection change, commit and mapping of store memory, every difference
// allocated and every container growth the store makes (BackupMayAllocate).
// The write-fault handler's own protection change is not counted: see
// BackupFailFaultProtect.
void BackupFailNthSystemCall(int n);
// For tests: while set, every such call fails.
void BackupFailAllSystemCalls(bool bFail);
// True, and counts down, when the call being made is to fail.
bool BackupInjectedFailure();
// True while an injected failure has not happened yet.
bool BackupInjectionPending();
// A point where the store is about to grow a container: throws
// std::bad_alloc when the injected failure falls here.
void BackupMayAllocate();
// For tests: while set, the write-fault handler's protection change fails.
void BackupFailFaultProtect(bool bFail);
bool BackupFaultProtectFails();

class CCopyPool {
public:
    static CCopyPool& Instance();

    // Guarantees nPages more pages to takers; call outside the fault handler.
    // Throws CBackupError, promising nothing, when memory runs out.
    void Promise(std::size_t nPages);
    void Unpromise(std::size_t nPages);
    // Takes one promised page; null when none is left. Allocation-free.
    void* Take();
    // Returns a page taken earlier. Allocation-free.
    void Give(void* pPage);

private:
    CCopyPool() = default;
    std::vector<void*> m_vFree;
    std::size_t m_nTotal = 0;
    std::size_t m_nPromised = 0;
};
