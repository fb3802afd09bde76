#include "installer/StoreRecovery.h"

#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "StoreInFolderTest.h"
#include "TempFolder.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

using StoreRecoveryTest = StoreInFolderTest;

TEST_F(StoreRecoveryTest, InterruptedRunIsRecovered)
{
    TempFolder::WriteFile(mBackup, "old");
    std::ostringstream out;
    RecoverInterruptedStore(mStore, out);
    EXPECT_EQ(out.str(), "Restored " + mStore + " from " + mBackup + "\n");
    EXPECT_EQ(StoreBytes(), "old");
    EXPECT_FALSE(platform::PathExists(mBackup));
}

TEST_F(StoreRecoveryTest, RecoveryLeavesAPresentStoreAndFoldersAlone)
{
    TempFolder::WriteFile(mStore, "current");
    TempFolder::WriteFile(mBackup, "older");
    std::ostringstream out;
    RecoverInterruptedStore(mStore, out);
    fs::remove(Utf8ToPath(mStore));
    fs::remove(Utf8ToPath(mBackup));
    fs::create_directory(Utf8ToPath(mBackup));
    RecoverInterruptedStore(mStore, out);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(platform::PathExists(mStore));
}

} // namespace
