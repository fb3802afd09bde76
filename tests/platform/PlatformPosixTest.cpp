#include <string>
#include <sys/stat.h>

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

} // namespace
