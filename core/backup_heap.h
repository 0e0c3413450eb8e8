// The free-block bookkeeping of a store's heap.
//
// A block is a 4-byte size (usable bytes) followed by its data. Free blocks
// are kept twice: in a list in address order, walked for first fit, and in an
// AVL tree keyed by address, which finds a block's predecessor when it is put
// back. Both live inside the free blocks' first 16 data bytes, and the list
// head and tree root in the store's bookkeeping page, so every change the heap
// makes is store memory and is recorded by the open step like any other write.
#pragma once

#include <cstdint>

struct BackupFreeBlock {
    uint32_t nSize;   // usable bytes after this header
    uint32_t nNext;   // next free block in address order
    uint32_t nLeft;   // tree links
    uint32_t nRight;
    int32_t nHeight;  // height of the subtree; balance comes from the children's
};
static_assert(sizeof(BackupFreeBlock) == 20);

struct BackupHeapHead {
    uint32_t nHead; // first free block
    uint32_t nRoot; // root of the tree
};

class CBackupHeap {
public:
    explicit CBackupHeap(void* pInfo) : m_info(*static_cast<BackupHeapHead*>(pInfo)) {}

    static void InitInfo(void* pInfo);

    bool IsEmpty() const { return m_info.nHead == 0; }
    // Unlinks and returns the first free block, in address order, with at
    // least nSize usable bytes; null when none fits.
    BackupFreeBlock* TakeFirstFit(uint32_t nSize);
    // The block TakeFirstFit would take, left where it is.
    const BackupFreeBlock* FindFirstFit(uint32_t nSize) const;
    // Hands out nSize bytes of a block taken from the list: the whole block
    // when the rest would be small, otherwise a piece carved from its end,
    // the front going back to the list. Returns the data address.
    void* HandOut(BackupFreeBlock* pBlock, uint32_t nSize);
    // Puts a block into the list and the tree, merging it with free neighbours.
    void Insert(BackupFreeBlock* pBlock);

    // For consistency checks: the tree's height and whether the list and the
    // tree agree, are ordered and balanced, and no two free blocks touch.
    bool Check(int* pnBlocks = nullptr) const;

private:
    uint32_t TreeInsert(uint32_t nRoot, uint32_t nNode);
    uint32_t TreeRemove(uint32_t nRoot, uint32_t nKey);
    uint32_t TreeRemoveMin(uint32_t nRoot, uint32_t* pnMin);
    uint32_t TreeFloor(uint32_t nKey) const; // greatest key below nKey

    BackupHeapHead& m_info;
};
