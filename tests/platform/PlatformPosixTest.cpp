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

} // namespace
