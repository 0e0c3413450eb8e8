// Where the stores' memory comes from.
//
// CBackupArena hands out page-aligned ranges of one large address range that
// is reserved once for the process. Keeping every store page inside it lets
// the heap link its free blocks with 32-bit offsets, so a free block's links
// fit its first 16 bytes. Committed pages are read-only and zero-filled;
// decommitted ones give their memory back to the system.
//
// CCopyPool keeps the read-write pages that hold "before" copies while a step
// is open. The fault handler may not allocate, so pages are promised to a step
// before it can fault, and the handler only takes what was promised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

class CBackupArena {
public:
    static CBackupArena& Instance();

    // Commits nBytes (a multiple of the page size) read-only; null on failure.
    void* Commit(std::size_t nBytes);
    // Gives a committed range back; its contents are lost.
    void Decommit(void* p, std::size_t nBytes);

    // 32-bit links: offsets in 4-byte units from the arena's base; 0 is null.
    uint32_t ToLink(const void* p) const
    {
        return p ? static_cast<uint32_t>((static_cast<const char*>(p) - m_pBase) / 4) : 0;
    }
    void* FromLink(uint32_t nLink) const { return nLink ? m_pBase + std::size_t(nLink) * 4 : nullptr; }

private:
    CBackupArena();
    char* m_pBase = nullptr;
    std::size_t m_nPages = 0;
    std::map<std::size_t, std::size_t> m_mapFree; // first free page to run length
};

class CCopyPool {
public:
    static CCopyPool& Instance();

    // Guarantees nPages more pages to takers; call outside the fault handler.
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
