// Runs the built trust-check as a deployment tool's detection rule would, beside the built
// trust-installer and the example certificates in a folder with a non-ASCII name, and
// checks each exit code, its lines, and that it changed no file.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramFoldersTest.h"
#include "RunProcess.h"
#include "SymbolicLinks.h"

namespace fs = std::filesystem;

namespace {

class TrustCheckEndToEndTest : public ProgramFoldersTest
{
protected:
    TrustCheckEndToEndTest()
        : mCheck(CopyProgram(TRUST_CHECK_EXE)), mInstaller(CopyProgram(TRUST_INSTALLER_EXE))
    {
    }

    // Runs trust-check and checks that it changed nothing; its standard output as lines.
    ProcessResult RunCheck(const EnvironmentChanges& environment) const
    {
        const Snapshot before = TakeSnapshot();
        ProcessResult result = RunProcess(mCheck, environment);
        EXPECT_TRUE(result.started);
        EXPECT_EQ(TakeSnapshot(), before);
        return result;
    }

    static std::string Lines(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines) {
            text += line + kConsoleLineEnd;
        }
        return text;
    }

    std::string mCheck;
    std::string mInstaller;
};

TEST_F(TrustCheckEndToEndTest, ExitCodeTellsWhetherTheInstallerHasWorkLeft)
{
    const EnvironmentChanges environment = {{"APPDATA", mAppData}};
    ProcessResult noStore = RunCheck(environment);
    EXPECT_EQ(noStore.exitCode, 0);
    EXPECT_EQ(noStore.output, Lines({"No trust store found"}));

    CopyExampleStore("DC");
    ProcessResult before = RunCheck(environment);
    EXPECT_EQ(before.exitCode, 1);
    std::vector<std::string> lines = {StorePath("DC")};
    for (const CertificateFile& file : kCertificateFiles) {
        lines.push_back(std::string("missing: ") + file.label);
    }
    EXPECT_EQ(before.output, Lines(lines));

    ProcessResult install = RunProcess(mInstaller, environment);
    EXPECT_EQ(install.exitCode, 0);
    ProcessResult after = RunCheck(environment);
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.output, Lines({StorePath("DC"), "All certificates are trusted"}));
}

// Links planted beside the store, leading nowhere or to a file elsewhere, are neither
// followed nor removed: the check changes nothing anywhere (RunCheck), its lock included.
TEST_F(TrustCheckEndToEndTest, LinksBesideTheStoreAreLeftAsTheyAre)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    const std::string outside = mFolder.PathOf("outside");
    const std::string nowhere = mFolder.PathOf("nowhere");
    TempFolder::WriteFile(outside, "outside");
    ASSERT_TRUE(MakeSymbolicLink(nowhere, store + "-new"));
    ASSERT_TRUE(MakeSymbolicLink(outside, store + "-backup"));
    ASSERT_TRUE(MakeSymbolicLink(outside, store + "-lock"));
    ProcessResult result = RunCheck({{"APPDATA", mAppData}});
    EXPECT_EQ(result.exitCode, 1);
    std::vector<std::string> lines = {store};
    for (const CertificateFile& file : kCertificateFiles) {
        lines.push_back(std::string("missing: ") + file.label);
    }
    EXPECT_EQ(result.output, Lines(lines));
    EXPECT_EQ(TempFolder::ReadFile(outside), "outside");
    EXPECT_FALSE(platform::PathExists(nowhere));
    for (const char* suffix : {"-new", "-backup", "-lock"}) {
        EXPECT_TRUE(IsSymbolicLink(store + suffix)) << suffix;
    }
}

// The stores of every product line count, named in the installer's order.
TEST_F(TrustCheckEndToEndTest, ExitCodeCoversTheStoresOfEveryProductLine)
{
    const EnvironmentChanges environment = {{"APPDATA", mAppData}};
    std::vector<std::string> missing;
    std::vector<std::string> trusted;
    for (const char* version : CopyStoresOfFourProductLines()) {
        missing.push_back(StorePath(version));
        for (const CertificateFile& file : kCertificateFiles) {
            missing.push_back(std::string("missing: ") + file.label);
        }
        trusted.insert(trusted.end(), {StorePath(version), "All certificates are trusted"});
    }
    ProcessResult before = RunCheck(environment);
    EXPECT_EQ(before.exitCode, 1);
    EXPECT_EQ(before.output, Lines(missing));

    EXPECT_EQ(RunProcess(mInstaller, environment).exitCode, 0);
    ProcessResult after = RunCheck(environment);
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.output, Lines(trusted));
}

TEST_F(TrustCheckEndToEndTest, ExitCodeTwoWhenItCannotTell)
{
    WriteStore("DC", "%PPKLITE-2.1\r\nnot a store");
    ProcessResult damaged = RunCheck({{"APPDATA", mAppData}});
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_EQ(damaged.output, Lines({StorePath("DC"), "Can't parse addressbook"}));

    fs::remove(Utf8ToPath(mExeFolder + platform::kPathSeparator + "NorvSigningCA.crt"));
    ProcessResult noCertificate = RunCheck({{"APPDATA", mAppData}});
    EXPECT_EQ(noCertificate.exitCode, 2);
    EXPECT_EQ(noCertificate.output, Lines({"can't find NorvSigningCA certificate"}));
}

TEST_F(TrustCheckEndToEndTest, ExitCodeTwoWithoutProfileFolder)
{
    if (platform::RoamingAppDataFolder()) {
        GTEST_SKIP() << "without APPDATA the program would look at this user's real profile";
    }
    WriteStore("DC", "%PPKLITE-2.1\r\nnot a store");
    ProcessResult noAppData = RunCheck({{"APPDATA", std::nullopt}});
    EXPECT_EQ(noAppData.exitCode, 2);
    EXPECT_EQ(noAppData.output, Lines({"APPDATA is not set; no trust store to check"}));
}

} // namespace
