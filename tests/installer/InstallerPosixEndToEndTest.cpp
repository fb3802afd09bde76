// POSIX only: what the real executable does with a FIFO at a store path.

#include <string>
#include <sys/stat.h>

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

} // namespace
