// Runs the built trust-check as a deployment tool's detection rule would, beside the built
// trust-installer and the example certificates in a folder with a non-ASCII name, and
// checks each exit code, its lines, and that it changed no file.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunProcess.h"
#include "TempFolder.h"
#include "installer/CertificateSet.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

class TrustCheckEndToEndTest : public ::testing::Test
{
protected:
    TrustCheckEndToEndTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")), mAppData(mFolder.PathOf("Roaming Ærø"))
    {
        fs::create_directories(Utf8ToPath(mExeFolder));
        fs::create_directories(Utf8ToPath(mAppData));
        mCheck = CopyProgram(TRUST_CHECK_EXE);
        mInstaller = CopyProgram(TRUST_INSTALLER_EXE);
        for (const CertificateFile& file : kCertificateFiles) {
            fs::copy_file(Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "certs" / file.fileName,
                          Utf8ToPath(mExeFolder + platform::kPathSeparator + file.fileName));
        }
    }

    std::string CopyProgram(const std::string& built) const
    {
        const fs::path exe = Utf8ToPath(built);
        const std::string copy = mExeFolder + platform::kPathSeparator + PathToUtf8(exe.filename());
        fs::copy_file(exe, Utf8ToPath(copy));
        return copy;
    }

    std::string StorePath() const { return ComposeStorePath(ComposeProfileFolder(mAppData), "DC"); }

    void WriteStore(const std::string& bytes) const
    {
        fs::create_directories(Utf8ToPath(StorePath()).parent_path());
        TempFolder::WriteFile(StorePath(), bytes);
    }

    // Every path below the test's folder with its bytes and last write time.
    std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot() const
    {
        std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
        for (const auto& entry : fs::recursive_directory_iterator(Utf8ToPath(mFolder.Path()))) {
            const std::string path = PathToUtf8(entry.path());
            files[path] = {entry.is_regular_file() ? TempFolder::ReadFile(path) : "<folder>",
                           entry.last_write_time()};
        }
        return files;
    }

    // Runs trust-check and checks that it changed nothing; its standard output as lines.
    ProcessResult RunCheck(const EnvironmentChanges& environment) const
    {
        const auto before = Snapshot();
        ProcessResult result = RunProcess(mCheck, environment);
        EXPECT_TRUE(result.started);
        EXPECT_EQ(Snapshot(), before);
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

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
    std::string mCheck;
    std::string mInstaller;
};

TEST_F(TrustCheckEndToEndTest, ExitCodeTellsWhetherTheInstallerHasWorkLeft)
{
    const EnvironmentChanges environment = {{"APPDATA", mAppData}};
    ProcessResult noStore = RunCheck(environment);
    EXPECT_EQ(noStore.exitCode, 0);
    EXPECT_EQ(noStore.output, Lines({"No trust store found"}));

    fs::path example = Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "profile" / "Adobe" / "Acrobat" /
                       "DC" / "Security" / "addressbook.acrodata";
    WriteStore(TempFolder::ReadFile(PathToUtf8(example)));
    ProcessResult before = RunCheck(environment);
    EXPECT_EQ(before.exitCode, 1);
    std::vector<std::string> lines = {StorePath()};
    for (const CertificateFile& file : kCertificateFiles) {
        lines.push_back(std::string("missing: ") + file.label);
    }
    EXPECT_EQ(before.output, Lines(lines));

    ProcessResult install = RunProcess(mInstaller, environment);
    EXPECT_EQ(install.exitCode, 0);
    ProcessResult after = RunCheck(environment);
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.output, Lines({StorePath(), "All certificates are trusted"}));
}

TEST_F(TrustCheckEndToEndTest, ExitCodeTwoWhenItCannotTell)
{
    WriteStore("%PPKLITE-2.1\r\nnot a store");
    ProcessResult damaged = RunCheck({{"APPDATA", mAppData}});
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_EQ(damaged.output, Lines({StorePath(), "Can't parse addressbook"}));

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
    WriteStore("%PPKLITE-2.1\r\nnot a store");
    ProcessResult noAppData = RunCheck({{"APPDATA", std::nullopt}});
    EXPECT_EQ(noAppData.exitCode, 2);
    EXPECT_EQ(noAppData.output, Lines({"APPDATA is not set; no trust store to check"}));
}

} // namespace
