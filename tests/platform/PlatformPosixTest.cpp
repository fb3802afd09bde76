#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/Platform.h"

namespace {

// A FIFO blocks an ordinary open for reading until a writer comes; nobody ever comes here, so
// a blocking call would hang the test.
TEST(PlatformPosixTest, FifoIsNoFileAndNeverBlocks)
{
    TempFolder folder;
    std::string fifo = folder.PathOf("addressbook.acrodata");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(platform::KindOfPath(fifo), platform::PathKind::Other);
    EXPECT_FALSE(platform::FileExists(fifo));
    std::string reason;
    EXPECT_EQ(platform::OpenFile(fifo, "rb", reason), nullptr);
    EXPECT_EQ(reason, "Not a regular file");
}

// Until it takes the old store's permissions, a new store is no one's to read but the user's.
TEST(PlatformPosixTest, CreatedFilesAreTheOwnersAlone)
{
    TempFolder folder;
    std::string path = folder.PathOf("addressbook.acrodata-new");
    const mode_t previous = umask(0);
    std::FILE* file = platform::OpenFile(path, "wb");
    umask(previous);
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Only the permission bits pass to the new store: a set-user-ID, set-group-ID or sticky bit on
// the store never does.
TEST(PlatformPosixTest, OnlyPermissionBitsAreCopied)
{
    TempFolder folder;
    const std::string store = folder.PathOf("addressbook.acrodata");
    const std::string fresh = folder.PathOf("addressbook.acrodata-new");
    for (const mode_t mode : {mode_t{0640}, mode_t{04600}, mode_t{02640}, mode_t{01644}}) {
        SCOPED_TRACE(mode);
        TempFolder::WriteFile(store, "old");
        TempFolder::WriteFile(fresh, "new");
        ASSERT_EQ(chmod(store.c_str(), mode), 0);
        std::string reason;
        EXPECT_TRUE(platform::CopyOwner(store, fresh, reason)) << reason;
        EXPECT_TRUE(platform::CopyAccessSettings(store, fresh, reason)) << reason;
        struct stat info;
        ASSERT_EQ(stat(fresh.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode & 0777);
        EXPECT_EQ(info.st_uid, getuid());
    }
}

// The settings go only to the file that was created: a link or a second name of another file
// put in its place meanwhile gets nothing, and neither does what it leads to.
TEST(PlatformPosixTest, SettingsAreNeverGivenThroughALinkOrASecondName)
{
    TempFolder folder;
    const std::string store = folder.PathOf("addressbook.acrodata");
    const std::string fresh = folder.PathOf("addressbook.acrodata-new");
    const std::string other = folder.PathOf("other");
    TempFolder::WriteFile(store, "old");
    TempFolder::WriteFile(other, "other");
    ASSERT_EQ(chmod(store.c_str(), 0644), 0);
    ASSERT_EQ(chmod(other.c_str(), 0600), 0);
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink);
        ASSERT_EQ(hardLink ? link(other.c_str(), fresh.c_str())
                           : symlink(other.c_str(), fresh.c_str()),
                  0);
        std::string reason;
        EXPECT_FALSE(platform::CopyOwner(store, fresh, reason));
        EXPECT_FALSE(reason.empty());
        reason.clear();
        EXPECT_FALSE(platform::CopyAccessSettings(store, fresh, reason));
        EXPECT_FALSE(reason.empty());
        struct stat info;
        ASSERT_EQ(stat(other.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u);
        ASSERT_EQ(unlink(fresh.c_str()), 0);
    }
}

} // namespace
