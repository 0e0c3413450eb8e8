#include "core/backup_arena.h"

#include "core/backup_limits.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <new>

namespace {

// 2^32 links of 4 bytes each: the most the 32-bit links can reach.
constexpr std::size_t kArenaMaxBytes = std::size_t(1) << 34;
// Below this, a process has too little address space to hold a drawing.
constexpr std::size_t kArenaMinBytes = std::size_t(1) << 20;

int s_nFailIn = 0;
bool s_bFailAll = false;

void* MapNone(std::size_t nBytes)
{
    void* p = mmap(nullptr, nBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

} // namespace

void BackupFailNthSystemCall(int n)
{
    s_nFailIn = std::max(n, 0);
}

void BackupFailAllSystemCalls(bool bFail)
{
    s_bFailAll = bFail;
}

bool BackupInjectedFailure()
{
    if (s_bFailAll)
        return true;
    if (s_nFailIn == 0)
        return false;
    return --s_nFailIn == 0;
}

bool BackupInjectionPending()
{
    return s_nFailIn > 0;
}

void BackupMayAllocate()
{
    if (BackupInjectedFailure())
        throw std::bad_alloc();
}

bool BackupProtect(void* p, std::size_t nBytes, int nProt)
{
    if (BackupInjectedFailure()) {
        errno = ENOMEM;
        return false;
    }
    return mprotect(p, nBytes, nProt) == 0;
}

CBackupArena& CBackupArena::Instance()
{
    static CBackupArena s_arena;
    return s_arena;
}

CBackupArena::CBackupArena()
{
    // Under a limit on address space (ulimit -v) the full range may be
    // refused; a smaller arena holds fewer frames but works the same.
    for (std::size_t nBytes = kArenaMaxBytes; nBytes >= kArenaMinBytes; nBytes /= 2) {
        const std::size_t nTable = nBytes / BACKUP_PAGE_SIZE * sizeof(unsigned);
        void* pArena = MapNone(nBytes);
        if (!pArena)
            continue;
        void* pTable = mmap(nullptr, nTable, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (pTable == MAP_FAILED) {
            munmap(pArena, nBytes);
            continue;
        }
        m_pBase = static_cast<char*>(pArena);
        m_pOwners = static_cast<unsigned*>(pTable);
        m_nBytes = nBytes;
        break;
    }
    if (!m_pBase)
        throw CBackupError("virtual alloc failed");
    m_nPages = m_nBytes / BACKUP_PAGE_SIZE;
    // Page 0 is never handed out, so no block ever has the null link.
    m_mapFree.emplace(1, m_nPages - 1);
}

void* CBackupArena::Commit(std::size_t nBytes, bool bWritable)
{
    const std::size_t nPages = nBytes / BACKUP_PAGE_SIZE;
    for (auto it = m_mapFree.begin(); it != m_mapFree.end(); ++it) {
        if (it->second < nPages)
            continue;
        const std::size_t nFirst = it->first;
        const std::size_t nLeft = it->second - nPages;
        // The free list's new entry is made first, so nothing can fail once
        // the range is open.
        auto itLeft = m_mapFree.end();
        if (nLeft) {
            try {
                BackupMayAllocate();
                itLeft = m_mapFree.emplace_hint(std::next(it), nFirst + nPages, nLeft);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
        char* p = m_pBase + nFirst * BACKUP_PAGE_SIZE;
        // The range lies inside the one reserved mapping: opening it up is a
        // protection change, which the kernel merges with its neighbours.
        if (!BackupProtect(p, nBytes, bWritable ? PROT_READ | PROT_WRITE : PROT_READ)) {
            if (itLeft != m_mapFree.end())
                m_mapFree.erase(itLeft);
            return nullptr;
        }
        m_mapFree.erase(it);
        m_nHighPage = std::max(m_nHighPage, nFirst + nPages);
        return p;
    }
    return nullptr;
}

// Gives the memory back, so the pages read as zero when they are committed
// again, and makes the range inaccessible. A refusal of either keeps the
// range out of the free list: it might hand out old contents, or pages that
// are still open.
bool CBackupArena::Close(char* p, std::size_t nBytes)
{
    if (madvise(p, nBytes, MADV_DONTNEED) != 0)
        return false;
    return !BackupInjectedFailure() && mprotect(p, nBytes, PROT_NONE) == 0;
}

void CBackupArena::AddFree(std::size_t nFirst, std::size_t nCount)
{
    auto itNext = m_mapFree.lower_bound(nFirst);
    if (itNext != m_mapFree.end() && itNext->first == nFirst + nCount) {
        nCount += itNext->second;
        itNext = m_mapFree.erase(itNext);
    }
    if (itNext != m_mapFree.begin()) {
        auto itPrev = std::prev(itNext);
        if (itPrev->first + itPrev->second == nFirst) {
            itPrev->second += nCount;
            return;
        }
    }
    try {
        m_mapFree.emplace_hint(itNext, nFirst, nCount);
    } catch (const std::bad_alloc&) {
        // The range is closed and owned by nobody: losing track of it only
        // costs address space.
    }
}

bool CBackupArena::Decommit(void* p, std::size_t nBytes)
{
    // Ranges that could not be closed before are tried again first.
    for (std::size_t i = 0; i < m_vUnclosed.size();) {
        auto [pOld, nOld] = m_vUnclosed[i];
        if (Close(pOld, nOld)) {
            AddFree(static_cast<std::size_t>(pOld - m_pBase) / BACKUP_PAGE_SIZE, nOld / BACKUP_PAGE_SIZE);
            m_vUnclosed.erase(m_vUnclosed.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    char* pc = static_cast<char*>(p);
    if (!Close(pc, nBytes)) {
        try {
            m_vUnclosed.emplace_back(pc, nBytes);
        } catch (const std::bad_alloc&) {
            // Kept out of the free list for good: it may still be open.
        }
        return false;
    }
    AddFree(static_cast<std::size_t>(pc - m_pBase) / BACKUP_PAGE_SIZE, nBytes / BACKUP_PAGE_SIZE);
    return true;
}

void CBackupArena::SetOwner(uintptr_t nStart, std::size_t nBytes, unsigned nId)
{
    const std::size_t nFirst = (nStart - reinterpret_cast<uintptr_t>(m_pBase)) / BACKUP_PAGE_SIZE;
    std::fill_n(m_pOwners + nFirst, nBytes / BACKUP_PAGE_SIZE, nId);
}

void CBackupArena::ForgetOwner(unsigned nId)
{
    std::replace(m_pOwners, m_pOwners + m_nHighPage, nId, 0u);
}

CCopyPool& CCopyPool::Instance()
{
    static CCopyPool s_pool;
    return s_pool;
}

void CCopyPool::Promise(std::size_t nPages)
{
    const std::size_t nNeeded = m_nPromised + nPages;
    if (m_vFree.size() < nNeeded) {
        const std::size_t nGrow = std::max<std::size_t>(nNeeded - m_vFree.size(), 16);
        // Room for every page first, so that a mapping is never made and
        // then lost to a failed allocation.
        try {
            BackupMayAllocate();
            m_vFree.reserve(m_nTotal + nGrow);
        } catch (const std::bad_alloc&) {
            throw CBackupError("virtual alloc failed");
        }
        void* p = BackupInjectedFailure()
                      ? MAP_FAILED
                      : mmap(nullptr, nGrow * BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw CBackupError("virtual alloc failed");
        m_nTotal += nGrow;
        for (std::size_t i = 0; i < nGrow; ++i)
            m_vFree.push_back(static_cast<char*>(p) + i * BACKUP_PAGE_SIZE);
    }
    m_nPromised = nNeeded;
}

void CCopyPool::Unpromise(std::size_t nPages)
{
    m_nPromised -= std::min(nPages, m_nPromised);
}

void* CCopyPool::Take()
{
    if (m_nPromised == 0 || m_vFree.empty())
        return nullptr;
    --m_nPromised;
    void* p = m_vFree.back();
    m_vFree.pop_back();
    return p;
}

void CCopyPool::Give(void* pPage)
{
    m_vFree.push_back(pPage);
}
