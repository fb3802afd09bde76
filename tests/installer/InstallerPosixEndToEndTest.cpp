// POSIX only: what the real executable does with a FIFO at a store path, and with the owner
// and mode of a store when it runs as root.

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "InstallerProgram.h"

namespace {

using InstallerPosixEndToEndTest = InstallerProgramTest;

// Opening a FIFO for reading waits for a writer that never comes; the run must not.
TEST_F(InstallerPosixEndToEndTest, FifoAtTheStorePathIsRefusedWithoutBlocking)
{
    CopyExampleStore("10.0");
    const std::string fifo = StorePath("DC");
    std::filesystem::create_directories(Utf8ToPath(fifo).parent_path());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunInstallerProgram(), Line(fifo) + Line("Can't parse addressbook") +
                                         Line(StorePath("10.0")) + InstalledLines());
    EXPECT_EQ(NamesBeside(fifo), std::vector<std::string>{"addressbook.acrodata"});
}

// A run as root (an administrator's script, a deployment agent) on another user's store: the
// new store is that user's, with the store's permission bits, and never a set-ID or sticky bit.
TEST_F(InstallerPosixEndToEndTest, RootRunKeepsTheStoresOwnerAndPermissionBits)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root: only root can give a file to another user";
    }
    constexpr uid_t kUser = 4321;
    constexpr gid_t kGroup = 4322;
    struct ModeCase
    {
        mode_t store;
        mode_t installed;
    };
    constexpr ModeCase kCases[] = {{0600, 0600}, {0640, 0640}, {06640, 0640}, {01600, 0600}};
    const std::string store = StorePath("DC");
    for (const ModeCase& c : kCases) {
        SCOPED_TRACE(c.store);
        CopyExampleStore("DC");
        ASSERT_EQ(chown(store.c_str(), kUser, kGroup), 0);
        ASSERT_EQ(chmod(store.c_str(), c.store), 0); // after chown, which may clear set-ID bits
        EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
        struct stat info;
        ASSERT_EQ(stat(store.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kUser);
        EXPECT_EQ(info.st_gid, kGroup);
        EXPECT_EQ(info.st_mode & 07777, c.installed);
    }
    EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
}

} // namespace
