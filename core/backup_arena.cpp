#include "core/backup_arena.h"

#include "core/backup_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <iterator>

namespace {

// 2^32 links of 4 bytes each.
constexpr std::size_t kArenaBytes = std::size_t(1) << 34;

} // namespace

CBackupArena& CBackupArena::Instance()
{
    static CBackupArena s_arena;
    return s_arena;
}

CBackupArena::CBackupArena()
{
    void* p = mmap(nullptr, kArenaBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED)
        throw CBackupError("virtual alloc failed");
    m_pBase = static_cast<char*>(p);
    m_nPages = kArenaBytes / BACKUP_PAGE_SIZE;
    // Page 0 is never handed out, so no block ever has the null link.
    m_mapFree.emplace(1, m_nPages - 1);
}

void* CBackupArena::Commit(std::size_t nBytes)
{
    const std::size_t nPages = nBytes / BACKUP_PAGE_SIZE;
    for (auto it = m_mapFree.begin(); it != m_mapFree.end(); ++it) {
        if (it->second < nPages)
            continue;
        const std::size_t nFirst = it->first;
        const std::size_t nLeft = it->second - nPages;
        m_mapFree.erase(it);
        if (nLeft)
            m_mapFree.emplace(nFirst + nPages, nLeft);
        char* p = m_pBase + nFirst * BACKUP_PAGE_SIZE;
        if (mmap(p, nBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED) {
            Decommit(p, nBytes);
            return nullptr;
        }
        return p;
    }
    return nullptr;
}

void CBackupArena::Decommit(void* p, std::size_t nBytes)
{
    // Mapping fresh inaccessible pages over the range frees its memory.
    mmap(p, nBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0);
    std::size_t nFirst = (static_cast<char*>(p) - m_pBase) / BACKUP_PAGE_SIZE;
    std::size_t nCount = nBytes / BACKUP_PAGE_SIZE;
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
    m_mapFree.emplace(nFirst, nCount);
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
        void* p = mmap(nullptr, nGrow * BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw CBackupError("virtual alloc failed");
        m_nTotal += nGrow;
        m_vFree.reserve(m_nTotal);
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
