// The real executables on real-shaped stores: runs side by side, and what the swap keeps of
// the old store's identity.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "InstallerProgram.h"
#include "StoreFiles.h"

namespace fs = std::filesystem;

namespace {

// The sanitizer build runs the program some twenty times slower: it gets a smaller store and
// fewer rounds, and the other builds the store of real size.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif

// A store of the size real ones reach: 2,500 entries with distinct 1,800-byte certificates.
std::string BigStore()
{
    constexpr int kEntries = kSanitizedBuild ? 400 : 2500;
    std::mt19937 random(15);
    StoreObjects objects;
    std::string references;
    for (int i = 0; i < kEntries; ++i) {
        std::string hex;
        for (int j = 0; j < 1800; ++j) {
            hex += "0123456789abcdef"[random() % 16];
            hex += "0123456789abcdef"[random() % 16];
        }
        const auto number = static_cast<std::uint32_t>(i + 2);
        objects.push_back({number, Entry(hex, 1000 + i)});
        references += std::to_string(number) + " 0 R ";
    }
    objects.insert(objects.begin(), {1, Catalog(references, std::to_string(1000 + kEntries))});
    return BuildStore(objects);
}

class StoreReplacementEndToEndTest : public InstallerProgramTest
{
protected:
    // Under Wine each start costs about a second: fewer runs and rounds keep the tests quick.
    static bool RunsUnderWine() { return platform::kPathSeparator == '\\'; }

    // Writes the big store at the DC path and installs on it once, alone: what any later
    // install of the same store must write too (document identifier masked). Remembers how
    // long that run took.
    std::string LoneInstallOnBigStore()
    {
        const std::string store = StorePath("DC");
        fs::create_directories(Utf8ToPath(store).parent_path());
        mOriginal = BigStore();
        TempFolder::WriteFile(store, mOriginal);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
        mLoneRunMilliseconds =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
        return MaskDocumentID(TempFolder::ReadFile(store));
    }

    std::string mOriginal;
    int mLoneRunMilliseconds = 0;
};

// Two or three runs for one user at once (logon script, scheduled task, a double-click): one
// installs, the others find the certificates in place, and the store is what a lone run writes.
TEST_F(StoreReplacementEndToEndTest, RunsSideBySideInstallExactlyOnce)
{
    const int runsAtOnce = RunsUnderWine() ? 2 : 3;
    const int rounds = RunsUnderWine() || kSanitizedBuild ? 4 : 10;
    const std::string store = StorePath("DC");
    const std::string expected = LoneInstallOnBigStore();

    const std::string installed = Line(store) + InstalledLines();
    const std::string waited = Line("Another install is updating " + store + "; waiting");
    const std::string trusted = Line("Certificates are already trusted");
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        TempFolder::WriteFile(store, mOriginal);
        std::vector<StartedProcess> runs;
        for (int i = 0; i < runsAtOnce; ++i) {
            runs.push_back(StartInstallerProgram());
        }
        int installs = 0;
        for (StartedProcess& run : runs) {
            ProcessResult result = FinishProcess(run);
            EXPECT_EQ(result.exitCode, 0);
            if (result.output == installed) {
                ++installs;
            } else {
                EXPECT_TRUE(result.output == Line(store) + trusted ||
                            result.output == waited + Line(store) + trusted)
                    << result.output;
            }
        }
        EXPECT_EQ(installs, 1);
        EXPECT_EQ(MaskDocumentID(TempFolder::ReadFile(store)), expected);
        EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
    }
}

// A run killed at any moment (a power cut, a user ending the task) and then a normal run: the
// store is what a lone run writes, and only an old backup may remain beside it. The moments
// are spread over the time a lone run takes on this machine and build.
TEST_F(StoreReplacementEndToEndTest, RunKilledAtAnyMomentThenANormalRunLosesNothing)
{
    const int kPercentOfRun[] = {0, 5, 10, 20, 30, 45, 60, 75, 90, 105};
    const std::string store = StorePath("DC");
    const std::string expected = LoneInstallOnBigStore();

    for (int percent : kPercentOfRun) {
        const int delay = mLoneRunMilliseconds * percent / 100;
        SCOPED_TRACE(delay);
        (void)platform::RemoveFile(store + "-backup");
        TempFolder::WriteFile(store, mOriginal);
        StartedProcess run = StartInstallerProgram();
        platform::SleepMilliseconds(delay);
        KillProcess(run);
        (void)FinishProcess(run);
        // Under Wine a start right after a kill is at times refused ("failed to map the shared
        // user data"); the normal run is then started again.
        ProcessResult normal;
        for (int start = 0; start < 3 && !normal.started; ++start) {
            normal = RunProcess(mExe, {{"APPDATA", mAppData}});
        }
        EXPECT_EQ(normal.exitCode, 0);
        EXPECT_EQ(MaskDocumentID(TempFolder::ReadFile(store)), expected);
        std::vector<std::string> names = NamesBeside(store);
        EXPECT_TRUE(names == std::vector<std::string>{"addressbook.acrodata"} ||
                    names == (std::vector<std::string>{"addressbook.acrodata",
                                                       "addressbook.acrodata-backup"}));
    }
}

// The rewrite must not widen who may read the user's trust store, nor leave a backup that
// can't be removed (on Windows 0444 is the read-only attribute).
TEST_F(StoreReplacementEndToEndTest, PermissionsAreKeptAndNoBackupRemains)
{
    const fs::perms kCases[] = {fs::perms(0600), fs::perms(0640), fs::perms(0444)};
    const std::string store = StorePath("DC");
    for (fs::perms wanted : kCases) {
        SCOPED_TRACE(static_cast<int>(wanted));
        CopyExampleStore("DC");
        fs::permissions(Utf8ToPath(store), wanted);
        const fs::perms before = fs::status(Utf8ToPath(store)).permissions();
        EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
        EXPECT_EQ(fs::status(Utf8ToPath(store)).permissions(), before);
        EXPECT_EQ(NamesBeside(store), std::vector<std::string>{"addressbook.acrodata"});
        ASSERT_TRUE(platform::RemoveFile(store));
    }
}

} // namespace
