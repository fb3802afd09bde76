#include "platform/ConsoleHold.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "RunProcess.h"
#include "TempFolder.h"
#include "platform/FolderListing.h"
#include "platform/Platform.h"

namespace {

// Only Explorer's double-click with the output on the console waits, whatever the window looks
// like; the facts of each starter as the platform gathers them.
TEST(ConsoleHoldTest, OnlyExplorerWithOutputOnTheConsoleWaits)
{
    struct Case
    {
        const char* what;
        platform::ConsoleFacts facts;
        bool holds;
    };
    const Case cases[] = {
        {"double-click in Explorer (console window or Windows Terminal)",
         {"explorer.exe", true},
         true},
        {"Explorer's name in other letter case",
         {"Explorer.EXE", true},
         platform::kFileNamesIgnoreCase},
        {"double-click, output redirected to a file or pipe", {"explorer.exe", false}, false},
        {"command prompt", {"cmd.exe", true}, false},
        {"PowerShell in Windows Terminal", {"pwsh.exe", true}, false},
        {"logon script host", {"wscript.exe", true}, false},
        {"scheduled task at logon, run visibly", {"taskhostw.exe", true}, false},
        {"task scheduler service", {"svchost.exe", true}, false},
        {"Intune", {"AgentExecutor.exe", true}, false},
        {"SCCM", {"CcmExec.exe", true}, false},
        {"starter unknown or ended", {"", true}, false},
        {"a name that only begins like Explorer's", {"explorer.exe.bak", true}, false},
        {"a name that only ends like Explorer's", {"myexplorer.exe", true}, false},
        {"Explorer's name without its extension", {"explorer", true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::ShouldHoldConsoleOpen(c.facts), c.holds);
    }
}

std::string Lines(const std::string& parent)
{
    return "parent: " + parent + kConsoleLineEnd + "holds: no" + kConsoleLineEnd;
}

// The real facts of a child with its output on a pipe: its parent's image name, and no hold,
// even when that parent is named explorer.exe.
TEST(ConsoleHoldTest, ChildKnowsItsParentAndNeverHoldsWithOutputOnAPipe)
{
    const ProcessResult direct = RunProcess(PROCESS_FACTS_EXE, {});
    ASSERT_TRUE(direct.started);
    EXPECT_EQ(direct.exitCode, 0);
    EXPECT_EQ(direct.output, Lines(TEST_PROGRAM_NAME));

    TempFolder folder;
    const std::string explorer = folder.PathOf("explorer.exe");
    std::filesystem::copy_file(Utf8ToPath(PROCESS_FACTS_EXE), Utf8ToPath(explorer));
    const ProcessResult fromExplorer =
        RunProcess(explorer, {{"PROCESS_FACTS_RUN", PROCESS_FACTS_EXE}});
    ASSERT_TRUE(fromExplorer.started);
    EXPECT_EQ(fromExplorer.exitCode, 0);
    EXPECT_EQ(fromExplorer.output, Lines("explorer.exe"));
}

} // namespace
