// The store's heap, seen from outside: region sizes, where blocks are carved,
// and that blocks never overlap or lose their contents however they are mixed.
#include "backup_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using gwtest::BlockHeader;
using gwtest::PagesOf;
using gwtest::Rng;

constexpr std::size_t kPage = BACKUP_PAGE_SIZE;
constexpr std::size_t kRegion = BACKUP_REGION_GRANULE;

uintptr_t Addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

class BackupHeapTest : public testing::Test {
protected:
    // A fresh store with its first step open, ready for allocations.
    unsigned OpenStore()
    {
        unsigned nId = m_stores.Create();
        EXPECT_EQ(BackupBegin(nId), BACKUP_OK);
        return nId;
    }
    static uint8_t* Alloc(unsigned nId, std::size_t n)
    {
        return static_cast<uint8_t*>(BackupAlloc(static_cast<unsigned>(n), nId));
    }
    // Allocations are committed and sealed as soon as they are made.
    static void Close(unsigned nId)
    {
        EXPECT_EQ(BackupCommit(nId), BACKUP_OK);
        EXPECT_EQ(BackupSeal(nId), BACKUP_OK);
    }

    gwtest::StoreOwner m_stores;
};

// A block the size of a 40x60 frame of 16-byte cells takes a whole region.
TEST_F(BackupHeapTest, FrameTakesAWholeRegion)
{
    unsigned nId = OpenStore();
    EXPECT_EQ(BackupHeapInfo(nId), nullptr);
    uint8_t* p = Alloc(nId, 40 * 60 * 16);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(BlockHeader(p), kRegion - BACKUP_BLOCK_HEADER);
    EXPECT_EQ((Addr(p) - BACKUP_BLOCK_HEADER) % kPage, 0u) << "the block does not start its region";
    void* pInfo = BackupHeapInfo(nId);
    ASSERT_NE(pInfo, nullptr);
    EXPECT_EQ(Addr(pInfo) % kPage, 0u);
    EXPECT_TRUE(Addr(pInfo) + kPage <= Addr(p) - 4 || Addr(pInfo) >= Addr(p) + kRegion - 4)
        << "the bookkeeping page lies inside the block";
    std::memset(p, 0x5A, 38400);
    Close(nId);
    std::size_t nPages = PagesOf(nId);
    EXPECT_GE(nPages, kRegion / kPage);

    // The next frame finds no room and gets a region of its own.
    ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
    uint8_t* q = Alloc(nId, 38400);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(BlockHeader(q), kRegion - BACKUP_BLOCK_HEADER);
    EXPECT_TRUE(Addr(q) >= Addr(p) + kRegion || Addr(q) + kRegion <= Addr(p)) << "the frames overlap";
    std::memset(q, 0xA5, 38400);
    Close(nId);
    EXPECT_EQ(PagesOf(nId), nPages + kRegion / kPage);
    EXPECT_EQ(std::count(p, p + 38400, 0x5A), 38400);
    EXPECT_EQ(BlockHeader(p), kRegion - BACKUP_BLOCK_HEADER);
}

// Small blocks are carved from the end of the free block, one after another,
// each exactly its size (20 at least); the rest stays one free block.
TEST_F(BackupHeapTest, SmallBlocksAreCarvedFromTheEnd)
{
    unsigned nId = OpenStore();
    uint8_t* pFirst = Alloc(nId, 100);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(BlockHeader(pFirst), 100u);
    std::size_t nPages = PagesOf(nId);

    struct Ask {
        std::size_t nRequest, nSize;
    };
    const Ask asks[] = {{1, 20}, {0, 20}, {20, 20}, {24, 24}, {1000, 1000}, {4096, 4096}, {200, 200}};
    uint8_t* pAbove = pFirst;
    std::size_t nUsed = 100 + 4;
    for (const Ask& a : asks) {
        uint8_t* p = Alloc(nId, a.nRequest);
        ASSERT_NE(p, nullptr) << "request " << a.nRequest;
        EXPECT_EQ(BlockHeader(p), a.nSize) << "request " << a.nRequest;
        EXPECT_EQ(p + BlockHeader(p), pAbove - BACKUP_BLOCK_HEADER)
            << "request " << a.nRequest << " was not carved right below the previous block";
        std::memset(p, 0xC7, BlockHeader(p));
        nUsed += BlockHeader(p) + 4;
        pAbove = p;
    }
    EXPECT_EQ(PagesOf(nId), nPages) << "small blocks took a new region";

    // What is left is one free block starting the region: asking for exactly
    // its size hands it out whole, and it ends where the carved blocks begin.
    std::size_t nRest = kRegion - nUsed - BACKUP_BLOCK_HEADER;
    uint8_t* pRest = Alloc(nId, nRest);
    ASSERT_NE(pRest, nullptr);
    EXPECT_EQ(BlockHeader(pRest), nRest);
    EXPECT_EQ(pRest + nRest, pAbove - BACKUP_BLOCK_HEADER);
    EXPECT_EQ(Addr(pFirst) + 100 - (Addr(pRest) - BACKUP_BLOCK_HEADER), kRegion)
        << "the first block does not end where the region ends";
    EXPECT_EQ((Addr(pRest) - BACKUP_BLOCK_HEADER) % kPage, 0u);
    EXPECT_EQ(PagesOf(nId), nPages);
    Close(nId);
}

// A request below 21 bytes is served as 20; requests that are not a multiple
// of four still get aligned blocks of at least their size.
TEST_F(BackupHeapTest, OddSizesStayAligned)
{
    unsigned nId = OpenStore();
    std::vector<std::pair<uint8_t*, std::size_t>> blocks;
    for (std::size_t n : {21, 22, 23, 25, 27, 33, 1001, 3, 4095, 4097}) {
        uint8_t* p = Alloc(nId, n);
        ASSERT_NE(p, nullptr) << n;
        EXPECT_EQ(Addr(p) % 4, 0u) << n;
        EXPECT_GE(BlockHeader(p), std::max<std::size_t>(n, 20)) << n;
        EXPECT_LT(BlockHeader(p), std::max<std::size_t>(n, 20) + 4) << n;
        std::memset(p, static_cast<int>(n), BlockHeader(p));
        blocks.emplace_back(p, n);
    }
    for (auto [p, n] : blocks)
        EXPECT_EQ(std::count(p, p + std::max<std::size_t>(n, 20), static_cast<uint8_t>(n)),
                  static_cast<std::ptrdiff_t>(std::max<std::size_t>(n, 20)))
            << "block of " << n << " was overwritten";
    Close(nId);
}

// Whole block or carved: the whole free block is handed out once twice the
// request plus 40 reaches its size.
struct SplitCase {
    std::size_t nRequest;
    bool bWhole;
};

class BackupHeapSplit : public BackupHeapTest, public testing::WithParamInterface<SplitCase> {};

TEST_P(BackupHeapSplit, WholeOrCarved)
{
    const SplitCase c = GetParam();
    unsigned nId = OpenStore();
    uint8_t* p = Alloc(nId, c.nRequest);
    ASSERT_NE(p, nullptr);
    if (c.bWhole) {
        EXPECT_EQ(BlockHeader(p), kRegion - 4);
        EXPECT_EQ((Addr(p) - 4) % kPage, 0u);
    } else {
        EXPECT_EQ(BlockHeader(p), c.nRequest);
        EXPECT_EQ((Addr(p) + c.nRequest) % kPage, 0u) << "a carved block does not end a page";
        // The rest of the region is still free: a small block needs no new region.
        std::size_t nPages = PagesOf(nId);
        uint8_t* q = Alloc(nId, 20);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(PagesOf(nId), nPages);
    }
    Close(nId);
}

INSTANTIATE_TEST_SUITE_P(Threshold, BackupHeapSplit,
                         testing::Values(SplitCase{100, false}, SplitCase{32000, false},
                                         SplitCase{32740, false}, SplitCase{32744, false},
                                         SplitCase{32748, true},
                                         SplitCase{40000, true}, SplitCase{65000, true}),
                         [](const testing::TestParamInfo<SplitCase>& i) {
                             return "request" + std::to_string(i.param.nRequest);
                         });

// Exactly on the boundary: after a carved 24, the free block holds
// 65,532 - 28 = 65,504 bytes, and 2 x 32,732 + 40 is 65,504, so it goes whole.
TEST_F(BackupHeapTest, RequestExactlyOnTheBoundaryTakesTheWholeBlock)
{
    unsigned nId = OpenStore();
    uint8_t* pSmall = Alloc(nId, 24);
    ASSERT_NE(pSmall, nullptr);
    ASSERT_EQ(BlockHeader(pSmall), 24u);
    uint8_t* p = Alloc(nId, 32732);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(BlockHeader(p), kRegion - 4 - 28);
    EXPECT_EQ((Addr(p) - 4) % kPage, 0u) << "carved instead of handed out whole";
    Close(nId);
}

// Region size: (n / 65,536 + 1) granules, one more even for an exact multiple.
// The store's first region is filled by a frame first, so each request below
// needs a region of its own and the page count shows its size.
struct RegionCase {
    std::size_t nRequest;
    std::size_t nGranules;
    std::size_t nHeader; // 0: carved, the header is the request
};

class BackupHeapRegion : public BackupHeapTest, public testing::WithParamInterface<RegionCase> {};

TEST_P(BackupHeapRegion, SizeFollowsTheRequest)
{
    const RegionCase c = GetParam();
    unsigned nId = OpenStore();
    ASSERT_NE(Alloc(nId, 38400), nullptr);
    std::size_t nPages = PagesOf(nId);
    uint8_t* p = Alloc(nId, c.nRequest);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(PagesOf(nId) - nPages, c.nGranules * kRegion / kPage);
    EXPECT_EQ(BlockHeader(p), c.nHeader ? c.nHeader : c.nRequest);
    // Every byte is there to be written.
    p[0] = 1;
    p[c.nRequest - 1] = 2;
    std::memset(p, 0x77, c.nRequest);
    Close(nId);
    EXPECT_EQ(std::count(p, p + c.nRequest, 0x77), static_cast<std::ptrdiff_t>(c.nRequest));
}

INSTANTIATE_TEST_SUITE_P(Sizes, BackupHeapRegion,
                         testing::Values(RegionCase{1, 1, 20}, RegionCase{100, 1, 0},
                                         RegionCase{38400, 1, 65532}, RegionCase{65536, 2, 131068},
                                         RegionCase{100000, 2, 131068}, RegionCase{131072, 3, 196604},
                                         RegionCase{200000, 4, 262140}),
                         [](const testing::TestParamInfo<RegionCase>& i) {
                             return "request" + std::to_string(i.param.nRequest);
                         });

// Requests right at the edge of a granule must still fit in what they get.
TEST_F(BackupHeapTest, RequestsAtGranuleEdgesFit)
{
    for (std::size_t n : {65528, 65529, 65531, 65532, 65533, 65535, 131064, 131068, 131071}) {
        unsigned nId = OpenStore();
        uint8_t* p = Alloc(nId, n);
        ASSERT_NE(p, nullptr) << n;
        EXPECT_GE(BlockHeader(p), n);
        std::size_t nPages = PagesOf(nId);
        EXPECT_GE(nPages * kPage, n + 4) << n;
        std::memset(p, 0x3D, n);
        Close(nId);
        EXPECT_EQ(std::count(p, p + n, 0x3D), static_cast<std::ptrdiff_t>(n)) << n;
    }
}

// First fit in address order: with two free blocks that both fit, the lower
// one serves; a request only the other fits goes there.
TEST_F(BackupHeapTest, FirstFitInAddressOrder)
{
    unsigned nId = OpenStore();
    uint8_t* a1 = Alloc(nId, 32000); // carved: region 1 keeps 33,528 free
    uint8_t* a2 = Alloc(nId, 16000); // carved: 17,524 free
    ASSERT_TRUE(a1 && a2);
    std::size_t nPages = PagesOf(nId);
    uint8_t* b = Alloc(nId, 20000); // too big for region 1: region 2, carved, 45,528 free
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(PagesOf(nId), nPages + kRegion / kPage);
    uintptr_t r1 = Addr(a1) + 32000 - kRegion, r2 = Addr(b) + 20000 - kRegion;
    ASSERT_EQ(r1 % kPage, 0u);
    ASSERT_EQ(r2 % kPage, 0u);

    uint8_t* c = Alloc(nId, 100);
    ASSERT_NE(c, nullptr);
    uint8_t* pLowEnd = r1 < r2 ? a2 - 4 : b - 4;
    EXPECT_EQ(c + 100, pLowEnd) << "not served from the lowest free block that fits";

    // 30,000 fits only the free block of region 2, and takes it whole.
    uint8_t* d = Alloc(nId, 30000);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Addr(d) - 4, r2);
    EXPECT_EQ(BlockHeader(d), r1 < r2 ? 45528u : 45528u - 104u);
    EXPECT_EQ(PagesOf(nId), nPages + kRegion / kPage);
    Close(nId);
}

// Many blocks of mixed sizes over several frames: aligned, big enough,
// disjoint, clear of the bookkeeping page, and every byte written into them
// reads back after all the later allocations.
TEST_F(BackupHeapTest, MixedAllocationsNeverOverlap)
{
    struct Block {
        uint8_t* p;
        std::size_t nRequest;
        uint32_t nHeader;
        uint8_t nFill;
    };
    Rng rng(808);
    std::vector<Block> blocks;
    unsigned nId = m_stores.Create();
    std::size_t nAsked = 0;
    for (int nFrame = 0; nFrame < 6; ++nFrame) {
        ASSERT_EQ(BackupBegin(nId), BACKUP_OK);
        for (int i = 0; i < 150; ++i) {
            std::size_t n;
            switch (rng.Below(10)) {
            case 0: case 1: case 2: n = rng.Between(0, 24); break;
            case 3: case 4: case 5: n = rng.Between(25, 400); break;
            case 6: case 7: n = rng.Between(401, 5000); break;
            case 8: n = rng.Between(5001, 40000); break;
            default: n = rng.Chance(80) ? 38400 : rng.Between(40001, 140000); break;
            }
            uint8_t* p = Alloc(nId, n);
            ASSERT_NE(p, nullptr) << "frame " << nFrame << " request " << n;
            Block blk{p, n, BlockHeader(p), static_cast<uint8_t>(blocks.size() * 37 + 1)};
            ASSERT_EQ(Addr(p) % 4, 0u) << n;
            ASSERT_GE(blk.nHeader, std::max<std::size_t>(n, 20)) << n;
            std::memset(p, blk.nFill, blk.nHeader); // the whole usable size is ours
            blocks.push_back(blk);
            nAsked += blk.nHeader + 4;
        }
        Close(nId);
    }
    EXPECT_GE(PagesOf(nId) * kPage, nAsked);

    std::vector<Block> byAddr = blocks;
    std::sort(byAddr.begin(), byAddr.end(), [](const Block& x, const Block& y) { return x.p < y.p; });
    for (std::size_t i = 1; i < byAddr.size(); ++i)
        ASSERT_LE(byAddr[i - 1].p + byAddr[i - 1].nHeader, byAddr[i].p - 4)
            << "block of " << byAddr[i - 1].nRequest << " overlaps block of " << byAddr[i].nRequest;
    uintptr_t info = Addr(BackupHeapInfo(nId));
    ASSERT_NE(info, 0u);
    for (const Block& b : blocks) {
        ASSERT_TRUE(Addr(b.p) + b.nHeader <= info || Addr(b.p) - 4 >= info + kPage)
            << "block of " << b.nRequest << " overlaps the bookkeeping page";
        ASSERT_EQ(BlockHeader(b.p), b.nHeader) << "a block's size word changed";
        ASSERT_EQ(std::count(b.p, b.p + b.nHeader, b.nFill), static_cast<std::ptrdiff_t>(b.nHeader))
            << "contents of a block of " << b.nRequest << " changed";
    }
}

// Two stores never hand out the same memory.
TEST_F(BackupHeapTest, StoresDoNotShareMemory)
{
    unsigned a = OpenStore(), b = OpenStore();
    std::vector<std::pair<uint8_t*, std::size_t>> fromA, fromB;
    for (std::size_t n : {100, 38400, 5000, 70000, 20}) {
        fromA.emplace_back(Alloc(a, n), n);
        fromB.emplace_back(Alloc(b, n), n);
    }
    for (auto [pa, na] : fromA)
        for (auto [pb, nb] : fromB) {
            ASSERT_TRUE(pa && pb);
            EXPECT_TRUE(pa + BlockHeader(pa) <= pb - 4 || pb + BlockHeader(pb) <= pa - 4)
                << na << " of one store overlaps " << nb << " of the other";
        }
    Close(a);
    Close(b);
}

} // namespace
