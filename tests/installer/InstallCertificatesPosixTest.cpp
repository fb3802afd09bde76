// POSIX only: an install whose new store cannot be written to its end.

#include <csignal>
#include <string>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "StoreFiles.h"
#include "StoreInFolderTest.h"
#include "platform/Platform.h"

namespace {

using InstallCertificatesPosixTest = StoreInFolderTest;

// While it lives, this process cannot make a file grow past a few bytes: a write past them
// fails (EFBIG, the signal the system would send is ignored), as on a full disk.
class SmallFileSizeLimit
{
public:
    SmallFileSizeLimit()
    {
        mPreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &mPrevious);
        rlimit small = mPrevious;
        small.rlim_cur = 64;
        mSet = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~SmallFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &mPrevious);
        std::signal(SIGXFSZ, mPreviousHandler);
    }
    SmallFileSizeLimit(const SmallFileSizeLimit&) = delete;
    SmallFileSizeLimit& operator=(const SmallFileSizeLimit&) = delete;
    bool IsSet() const { return mSet; }

private:
    rlimit mPrevious{};
    void (*mPreviousHandler)(int) = SIG_DFL;
    bool mSet = false;
};

TEST_F(InstallCertificatesPosixTest, UnfinishedNewStoreIsRemoved)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    std::string lines;
    {
        SmallFileSizeLimit limit;
        ASSERT_TRUE(limit.IsSet());
        lines = Install({"bb"});
    }
    EXPECT_EQ(lines, "adding certificates\nfailed in end PDF\n");
    ExpectUntouched();
}

} // namespace
