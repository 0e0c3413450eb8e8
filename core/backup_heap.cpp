#include "core/backup_heap.h"

#include "core/backup_arena.h"
#include "core/backup_limits.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

BackupFreeBlock* Node(uint32_t nLink)
{
    return static_cast<BackupFreeBlock*>(CBackupArena::Instance().FromLink(nLink));
}

uint32_t Link(const BackupFreeBlock* p)
{
    return CBackupArena::Instance().ToLink(p);
}

int32_t Height(uint32_t n)
{
    return n ? Node(n)->nHeight : 0;
}

void FixHeight(BackupFreeBlock* p)
{
    p->nHeight = 1 + std::max(Height(p->nLeft), Height(p->nRight));
}

uint32_t RotateRight(uint32_t n)
{
    BackupFreeBlock* p = Node(n);
    const uint32_t l = p->nLeft;
    BackupFreeBlock* pl = Node(l);
    p->nLeft = pl->nRight;
    pl->nRight = n;
    FixHeight(p);
    FixHeight(pl);
    return l;
}

uint32_t RotateLeft(uint32_t n)
{
    BackupFreeBlock* p = Node(n);
    const uint32_t r = p->nRight;
    BackupFreeBlock* pr = Node(r);
    p->nRight = pr->nLeft;
    pr->nLeft = n;
    FixHeight(p);
    FixHeight(pr);
    return r;
}

uint32_t Rebalance(uint32_t n)
{
    BackupFreeBlock* p = Node(n);
    FixHeight(p);
    const int32_t nBalance = Height(p->nLeft) - Height(p->nRight);
    if (nBalance > 1) {
        if (Height(Node(p->nLeft)->nLeft) < Height(Node(p->nLeft)->nRight))
            p->nLeft = RotateLeft(p->nLeft);
        return RotateRight(n);
    }
    if (nBalance < -1) {
        if (Height(Node(p->nRight)->nRight) < Height(Node(p->nRight)->nLeft))
            p->nRight = RotateRight(p->nRight);
        return RotateLeft(n);
    }
    return n;
}

char* End(BackupFreeBlock* p)
{
    return reinterpret_cast<char*>(p) + BACKUP_BLOCK_HEADER + p->nSize;
}

void ClearLinks(BackupFreeBlock* p)
{
    p->nNext = p->nLeft = p->nRight = 0;
    p->nHeight = 0;
}

} // namespace

void CBackupHeap::InitInfo(void* pInfo)
{
    auto* p = static_cast<BackupHeapHead*>(pInfo);
    p->nHead = 0;
    p->nRoot = 0;
}

uint32_t CBackupHeap::TreeInsert(uint32_t nRoot, uint32_t nNode)
{
    if (!nRoot) {
        BackupFreeBlock* p = Node(nNode);
        p->nLeft = p->nRight = 0;
        p->nHeight = 1;
        return nNode;
    }
    BackupFreeBlock* p = Node(nRoot);
    if (nNode < nRoot)
        p->nLeft = TreeInsert(p->nLeft, nNode);
    else
        p->nRight = TreeInsert(p->nRight, nNode);
    return Rebalance(nRoot);
}

uint32_t CBackupHeap::TreeRemoveMin(uint32_t nRoot, uint32_t* pnMin)
{
    BackupFreeBlock* p = Node(nRoot);
    if (!p->nLeft) {
        *pnMin = nRoot;
        return p->nRight;
    }
    p->nLeft = TreeRemoveMin(p->nLeft, pnMin);
    return Rebalance(nRoot);
}

uint32_t CBackupHeap::TreeRemove(uint32_t nRoot, uint32_t nKey)
{
    if (!nRoot)
        return 0;
    BackupFreeBlock* p = Node(nRoot);
    if (nKey < nRoot) {
        p->nLeft = TreeRemove(p->nLeft, nKey);
    } else if (nKey > nRoot) {
        p->nRight = TreeRemove(p->nRight, nKey);
    } else {
        const uint32_t l = p->nLeft;
        const uint32_t r = p->nRight;
        if (!r)
            return l;
        uint32_t nMin = 0;
        const uint32_t nRest = TreeRemoveMin(r, &nMin);
        BackupFreeBlock* pMin = Node(nMin);
        pMin->nLeft = l;
        pMin->nRight = nRest;
        return Rebalance(nMin);
    }
    return Rebalance(nRoot);
}

uint32_t CBackupHeap::TreeFloor(uint32_t nKey) const
{
    uint32_t nBest = 0;
    uint32_t n = m_info.nRoot;
    while (n) {
        if (n < nKey) {
            nBest = n;
            n = Node(n)->nRight;
        } else {
            n = Node(n)->nLeft;
        }
    }
    return nBest;
}

BackupFreeBlock* CBackupHeap::TakeFirstFit(uint32_t nSize)
{
    BackupFreeBlock* pPrev = nullptr;
    for (uint32_t n = m_info.nHead; n; n = Node(n)->nNext) {
        BackupFreeBlock* p = Node(n);
        if (p->nSize >= nSize) {
            if (pPrev)
                pPrev->nNext = p->nNext;
            else
                m_info.nHead = p->nNext;
            m_info.nRoot = TreeRemove(m_info.nRoot, n);
            ClearLinks(p);
            return p;
        }
        pPrev = p;
    }
    return nullptr;
}

const BackupFreeBlock* CBackupHeap::FindFirstFit(uint32_t nSize) const
{
    for (uint32_t n = m_info.nHead; n; n = Node(n)->nNext)
        if (Node(n)->nSize >= nSize)
            return Node(n);
    return nullptr;
}

void* CBackupHeap::HandOut(BackupFreeBlock* pBlock, uint32_t nSize)
{
    char* pHeader = reinterpret_cast<char*>(pBlock);
    if (2ull * nSize + 40 >= pBlock->nSize)
        return pHeader + BACKUP_BLOCK_HEADER;
    // Carve from the end, so the front keeps its place in the list.
    char* pPiece = End(pBlock) - nSize - BACKUP_BLOCK_HEADER;
    pBlock->nSize -= nSize + BACKUP_BLOCK_HEADER;
    std::memcpy(pPiece, &nSize, sizeof nSize);
    Insert(pBlock);
    return pPiece + BACKUP_BLOCK_HEADER;
}

void CBackupHeap::Insert(BackupFreeBlock* pBlock)
{
    ClearLinks(pBlock);
    const uint32_t n = Link(pBlock);
    BackupFreeBlock* pPrev = nullptr;
    if (!m_info.nHead) {
        m_info.nHead = n;
    } else if (n < m_info.nHead) {
        pBlock->nNext = m_info.nHead;
        m_info.nHead = n;
    } else {
        pPrev = Node(TreeFloor(n));
        pBlock->nNext = pPrev->nNext;
        pPrev->nNext = n;
    }
    m_info.nRoot = TreeInsert(m_info.nRoot, n);

    if (pBlock->nNext && End(pBlock) == reinterpret_cast<char*>(Node(pBlock->nNext))) {
        BackupFreeBlock* pNext = Node(pBlock->nNext);
        m_info.nRoot = TreeRemove(m_info.nRoot, pBlock->nNext);
        pBlock->nSize += pNext->nSize + BACKUP_BLOCK_HEADER;
        pBlock->nNext = pNext->nNext;
        ClearLinks(pNext);
    }
    if (pPrev && End(pPrev) == reinterpret_cast<char*>(pBlock)) {
        m_info.nRoot = TreeRemove(m_info.nRoot, n);
        pPrev->nSize += pBlock->nSize + BACKUP_BLOCK_HEADER;
        pPrev->nNext = pBlock->nNext;
        ClearLinks(pBlock);
    }
}

bool CBackupHeap::Check(int* pnBlocks) const
{
    // Walk the tree in order and the list side by side.
    std::vector<uint32_t> vTree;
    std::function<int(uint32_t)> walk = [&](uint32_t n) -> int {
        if (!n)
            return 0;
        const int hl = walk(Node(n)->nLeft);
        vTree.push_back(n);
        const int hr = walk(Node(n)->nRight);
        if (hl < 0 || hr < 0 || std::abs(hl - hr) > 1 || Node(n)->nHeight != 1 + std::max(hl, hr))
            return -1;
        return 1 + std::max(hl, hr);
    };
    if (walk(m_info.nRoot) < 0)
        return false;
    std::size_t i = 0;
    for (uint32_t n = m_info.nHead; n; n = Node(n)->nNext, ++i) {
        if (i >= vTree.size() || vTree[i] != n)
            return false;
        const uint32_t nNext = Node(n)->nNext;
        if (nNext && (nNext <= n || End(Node(n)) >= reinterpret_cast<char*>(Node(nNext))))
            return false;
    }
    if (pnBlocks)
        *pnBlocks = static_cast<int>(i);
    return i == vTree.size();
}
