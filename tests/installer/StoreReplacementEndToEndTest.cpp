// The real executables on real-shaped stores: runs side by side, and what the swap keeps of
// the old store's identity.

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

// A store of the size real ones reach: 2,500 entries with distinct 1,800-byte certificates.
std::string BigStore()
{
    constexpr int kEntries = 2500;
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
};

// Two or three runs for one user at once (logon script, scheduled task, a double-click): one
// installs, the others find the certificates in place, and the store is what a lone run writes.
TEST_F(StoreReplacementEndToEndTest, RunsSideBySideInstallExactlyOnce)
{
    // Under Wine each start costs about a second: fewer runs and rounds keep the test quick.
    const bool underWine = platform::kPathSeparator == '\\';
    const int runsAtOnce = underWine ? 2 : 3;
    const int rounds = underWine ? 5 : 10;
    const std::string store = StorePath("DC");
    fs::create_directories(Utf8ToPath(store).parent_path());
    const std::string original = BigStore();
    TempFolder::WriteFile(store, original);
    EXPECT_EQ(RunInstallerProgram(), Line(store) + InstalledLines());
    const std::string expected = MaskDocumentID(TempFolder::ReadFile(store));

    const std::string installed = Line(store) + InstalledLines();
    const std::string waited = Line("Another install is updating " + store + "; waiting");
    const std::string trusted = Line("Certificates are already trusted");
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        TempFolder::WriteFile(store, original);
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
