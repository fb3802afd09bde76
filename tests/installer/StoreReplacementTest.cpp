#include "installer/StoreReplacement.h"

#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "StoreInFolderTest.h"
#include "platform/Platform.h"

namespace {

using StoreReplacementTest = StoreInFolderTest;

TEST_F(StoreReplacementTest, OldStoreReturnsWhenNewOneCannotMoveIn)
{
    WriteStore("old");
    std::ostringstream out;
    EXPECT_EQ(ReplaceStore(mStore, mNewStore, *platform::IdentityOf(mStore), out, mErr),
              ReplaceOutcome::LeftUnchanged);
    EXPECT_EQ(out.str(), "File successfully renamed\n");
    EXPECT_EQ(mErr.str().rfind("Error renaming file 2: ", 0), 0u);
    ExpectUntouched();
}

// Anything at the backup path (here a folder, which an install clears or refuses before) makes
// the first rename fail: nothing there is ever replaced, and the store stays.
TEST_F(StoreReplacementTest, BlockedBackupPathLeavesStoreAsItWas)
{
    WriteStore("old");
    TempFolder::WriteFile(mNewStore, "new");
    std::filesystem::create_directories(Utf8ToPath(mBackup) / "content");
    std::ostringstream out;
    EXPECT_EQ(ReplaceStore(mStore, mNewStore, *platform::IdentityOf(mStore), out, mErr),
              ReplaceOutcome::LeftUnchanged);
    EXPECT_EQ(out.str(), "");
    const std::string err = mErr.str();
    EXPECT_EQ(err.rfind("Error renaming file 1: ", 0), 0u) << err;
    EXPECT_NE(err.find("\nError renaming file 2: "), std::string::npos) << err;
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_EQ(TempFolder::ReadFile(mNewStore), "new");
    EXPECT_TRUE(std::filesystem::is_directory(Utf8ToPath(mBackup) / "content"));
}

// The last look before the first rename: a store changed since it was read is not moved.
TEST_F(StoreReplacementTest, StoreChangedSinceItWasReadIsNotMoved)
{
    WriteStore("old");
    TempFolder::WriteFile(mNewStore, "new");
    const platform::FileIdentity read = *platform::IdentityOf(mStore);
    TempFolder::WriteFile(mStore, "new");
    std::ostringstream out;
    EXPECT_EQ(ReplaceStore(mStore, mNewStore, read, out, mErr), ReplaceOutcome::StoreChanged);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(StoreBytes(), "new");
    EXPECT_EQ(TempFolder::ReadFile(mNewStore), "new");
    EXPECT_FALSE(platform::PathExists(mBackup));
}

} // namespace
