// Windows only: the real executable beside another program that holds the store's files, as
// a virus scanner or the reader application does, and the store's attributes.

#include <string>
#include <windows.h>

#include <gtest/gtest.h>

#include "InstallerProgram.h"
#include "platform/WideStrings.h"

namespace {

class StoreReplacementWindowsTest : public InstallerProgramTest
{
protected:
    // Starts the helper that holds path open with the given sharing for milliseconds, and
    // waits (bounded) until its hold has begun when the file is there already.
    StartedProcess StartHolding(const std::string& path, int milliseconds, const char* sharing,
                                bool waitForHold) const
    {
        const std::string ready = mFolder.PathOf("hold-ready");
        (void)platform::RemoveFile(ready);
        StartedProcess holder =
            StartProcess(HOLD_FILE_EXE, {path, std::to_string(milliseconds), sharing, ready}, {});
        for (int i = 0; waitForHold && i < 2000 && !platform::PathExists(ready); ++i) {
            platform::SleepMilliseconds(5);
        }
        EXPECT_TRUE(!waitForHold || platform::PathExists(ready));
        return holder;
    }

    static DWORD AttributesOf(const std::string& path)
    {
        return GetFileAttributesW(platform::Utf8ToWide(path).c_str());
    }
};

// A scanner opens the fresh new store for 1.2 s the moment it is written, with read sharing
// only: the new store can be read back but not moved in until the scanner lets go. Whether
// the scanner catches that moment is up to the system, so the round is repeated (a few times
// at most) until it did; the install must succeed every time.
TEST_F(StoreReplacementWindowsTest, ScannerHoldingTheNewStoreDoesNotFailTheInstall)
{
    const std::string store = StorePath("DC");
    bool held = false;
    for (int round = 0; round < 4 && !held; ++round) {
        SCOPED_TRACE(round);
        (void)platform::RemoveFile(store);
        CopyExampleStore("DC");
        StartedProcess scanner = StartHolding(store + "-new", 1200, "read", false);
        EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
        held = FinishProcess(scanner).exitCode == 0;
        EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
        EXPECT_EQ(RunInstallerProgram(), Line(store) + Line("Certificates are already trusted"));
    }
    EXPECT_TRUE(held) << "the stand-in scanner never caught the new store";
}

// Held longer than the retries last: without any sharing the store can't be read; with read
// and write sharing but no delete sharing it can be read but not moved. Either way it stays.
TEST_F(StoreReplacementWindowsTest, StoreHeldByAnotherProgramGivesClearLinesAndStays)
{
    struct Case
    {
        const char* sharing;
        std::string linePrefix; // the line after the store path
        std::string lastLine;
    };
    const Case cases[] = {
        {"none", "Can't read addressbook now: ", ""},
        {"readwrite", "adding certificates",
         "Adobe's Trusted Certificates store was left unchanged."},
    };
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    const std::string before = TempFolder::ReadFile(store);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sharing);
        StartedProcess holder = StartHolding(store, 6000, c.sharing, true);
        const std::string output = RunInstallerProgram();
        EXPECT_EQ(FinishProcess(holder).exitCode, 0);
        EXPECT_EQ(output.rfind(Line(store) + c.linePrefix, 0), 0u) << output;
        if (!c.lastLine.empty()) {
            EXPECT_EQ(output.substr(output.size() - Line(c.lastLine).size()), Line(c.lastLine));
        }
        EXPECT_EQ(TempFolder::ReadFile(store), before);
        EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
    }
}

TEST_F(StoreReplacementWindowsTest, ReadOnlyAndHiddenAttributesAreKept)
{
    const DWORD kCases[] = {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN};
    const std::string store = StorePath("DC");
    for (DWORD wanted : kCases) {
        SCOPED_TRACE(wanted);
        CopyExampleStore("DC");
        ASSERT_NE(SetFileAttributesW(platform::Utf8ToWide(store).c_str(), wanted), 0);
        EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
        EXPECT_EQ(AttributesOf(store) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), wanted);
        EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
        ASSERT_TRUE(platform::RemoveFile(store));
    }
}

} // namespace
