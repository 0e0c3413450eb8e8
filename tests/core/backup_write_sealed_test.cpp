// Bulk writes that commit and seal at once.
#include "core/backup_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct CFrameStore {
    unsigned nId = BackupCreate();
    unsigned char* pBytes = nullptr;
    explicit CFrameStore(unsigned nSize)
    {
        BackupBegin(nId);
        pBytes = static_cast<unsigned char*>(BackupAlloc(nSize, nId));
        BackupCommit(nId);
        BackupSeal(nId);
    }
    ~CFrameStore() { BackupDestroy(nId); }
};

} // namespace

TEST(BackupWriteSealed, WritesAndLeavesNothingToUndo)
{
    CFrameStore store(20000);
    std::vector<unsigned char> src(20000);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<unsigned char>(i * 7 + 1);

    // An undone step and a committed one: both must be out of reach after.
    BackupBegin(store.nId);
    store.pBytes[0] = 9;
    BackupCommit(store.nId);
    BackupBegin(store.nId);
    store.pBytes[1] = 9;
    BackupCommit(store.nId);
    ASSERT_EQ(BackupUndo(store.nId), BACKUP_OK);

    ASSERT_EQ(BackupWriteSealed(store.nId, store.pBytes, src.data(), src.size()), BACKUP_OK);
    EXPECT_EQ(std::memcmp(store.pBytes, src.data(), src.size()), 0);
    EXPECT_EQ(BackupCanUndo(store.nId), 0);
    EXPECT_EQ(BackupCanRedo(store.nId), 0);

    // The pages are protected again and ordinary steps work on top.
    BackupBegin(store.nId);
    store.pBytes[5000] ^= 0xFF;
    BackupCommit(store.nId);
    ASSERT_EQ(BackupUndo(store.nId), BACKUP_OK);
    EXPECT_EQ(std::memcmp(store.pBytes, src.data(), src.size()), 0);
}

TEST(BackupWriteSealed, RefusesOpenStoresAndForeignMemory)
{
    CFrameStore a(5000);
    CFrameStore b(5000);
    unsigned char buf[16] = {};
    BackupBegin(a.nId);
    EXPECT_EQ(BackupWriteSealed(a.nId, a.pBytes, buf, sizeof buf), BACKUP_E_OPEN);
    BackupCancel(a.nId);
    EXPECT_EQ(BackupWriteSealed(a.nId, b.pBytes, buf, sizeof buf), BACKUP_E_RANGE);
    EXPECT_EQ(BackupWriteSealed(a.nId, buf, buf, sizeof buf), BACKUP_E_RANGE);
    // Running past the end of the store's last region.
    EXPECT_EQ(BackupWriteSealed(a.nId, a.pBytes, buf, 70000), BACKUP_E_RANGE);
    EXPECT_EQ(BackupWriteSealed(0xFFFFFFu, a.pBytes, buf, sizeof buf), BACKUP_E_NO_STORE);
    EXPECT_EQ(a.pBytes[0], 0) << "a refused write changes nothing";
}
