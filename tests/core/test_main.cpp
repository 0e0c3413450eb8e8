// Every core test runs with the write-fault filter in place, as the program does.
#include "core/backup_store.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    BackupInstallFaultFilter();
    return RUN_ALL_TESTS();
}
