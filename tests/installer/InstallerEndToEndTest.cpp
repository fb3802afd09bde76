// Runs the built trust-installer as a user's logon script would: the program and its
// certificate files copied into a folder with a non-ASCII name, APPDATA pointing at a
// profile folder, standard output captured.

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "RunProcess.h"
#include "TempFolder.h"
#include "installer/CertificateSet.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

class InstallerEndToEndTest : public ::testing::Test
{
protected:
    InstallerEndToEndTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")), mAppData(mFolder.PathOf("Roaming Ærø"))
    {
        fs::create_directories(Utf8ToPath(mExeFolder));
        fs::create_directories(Utf8ToPath(mAppData));
        fs::path exe = Utf8ToPath(TRUST_INSTALLER_EXE);
        mExe = mExeFolder + platform::kPathSeparator + PathToUtf8(exe.filename());
        fs::copy_file(exe, Utf8ToPath(mExe));
        for (const CertificateFile& file : kCertificateFiles) {
            fs::copy_file(Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "certs" / file.fileName,
                          Utf8ToPath(CertPath(file.fileName)));
        }
    }

    std::string CertPath(const std::string& fileName) const
    {
        return mExeFolder + platform::kPathSeparator + fileName;
    }

    std::string StorePath(const char* version) const
    {
        return ComposeStorePath(ComposeProfileFolder(mAppData), version);
    }

    void CopyExampleStore(const char* version) const
    {
        fs::path store = Utf8ToPath(StorePath(version));
        fs::create_directories(store.parent_path());
        fs::copy_file(Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "profile" / "Adobe" / "Acrobat" /
                          "DC" / "Security" / "addressbook.acrodata",
                      store);
    }

    std::string RunInstallerProgram() const
    {
        ProcessResult result = RunProcess(mExe, {{"APPDATA", mAppData}});
        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 0);
        return result.output;
    }

    static std::string Line(const std::string& text) { return text + kConsoleLineEnd; }

    // What an install that added certificates prints after the store path.
    static std::string InstalledLines()
    {
        return Line("adding certificates") + Line("File successfully renamed") +
               Line("File successfully renamed") +
               Line("New certificates are succesfully installed Adobe's Trusted Certificates "
                    "store.") +
               Line("Newly added certificates are issued by Velmora.");
    }

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
    std::string mExe;
};

TEST_F(InstallerEndToEndTest, NoStoreGivesNoOutput)
{
    EXPECT_EQ(RunInstallerProgram(), "");
}

TEST_F(InstallerEndToEndTest, StoresFoundUnderNonAsciiProfileAreNamedInVersionOrder)
{
    CopyExampleStore("11.0");
    CopyExampleStore("DC");
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + InstalledLines() +
                                         Line(StorePath("11.0")) + InstalledLines());
}

TEST_F(InstallerEndToEndTest, FirstRunInstallsAndSecondRunChangesNothing)
{
    CopyExampleStore("DC");
    const std::string before = TempFolder::ReadFile(StorePath("DC"));
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + InstalledLines());
    const std::string after = TempFolder::ReadFile(StorePath("DC"));
    EXPECT_GT(after.size(), before.size());
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-new"));
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-backup"));

    EXPECT_EQ(RunInstallerProgram(),
              Line(StorePath("DC")) + Line("Certificates are already trusted"));
    EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), after);
}

TEST_F(InstallerEndToEndTest, UnreadableStoreIsLeftAlone)
{
    CopyExampleStore("DC");
    const std::string damaged = "%PPKLITE-2.1\r\nnot a store";
    TempFolder::WriteFile(StorePath("DC"), damaged);
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + Line("Can't parse addressbook"));
    EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), damaged);
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-new"));
}

TEST_F(InstallerEndToEndTest, StaleBackupFileIsRemovedAndInstallProceeds)
{
    CopyExampleStore("DC");
    TempFolder::WriteFile(StorePath("DC") + "-backup", "stale");
    EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + InstalledLines());
    EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-backup"));
}

TEST_F(InstallerEndToEndTest, BlockedPathsLeaveTheStoreIntact)
{
    struct BlockedCase
    {
        const char* suffix;
        std::string lines;
    };
    const BlockedCase cases[] = {
        {"-backup", Line("adding certificates") +
                        Line("Adobe's Trusted Certificates store was left unchanged.")},
        {"-new", Line("adding certificates") +
                     Line("Can't create the new store file; the store was left unchanged")},
    };
    CopyExampleStore("DC");
    const std::string before = TempFolder::ReadFile(StorePath("DC"));
    for (const BlockedCase& c : cases) {
        SCOPED_TRACE(c.suffix);
        const fs::path blocker = Utf8ToPath(StorePath("DC") + c.suffix);
        fs::create_directories(blocker / "content");
        EXPECT_EQ(RunInstallerProgram(), Line(StorePath("DC")) + c.lines);
        EXPECT_EQ(TempFolder::ReadFile(StorePath("DC")), before);
        EXPECT_TRUE(fs::is_directory(blocker / "content"));
        fs::remove_all(blocker);
        EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-new"));
        EXPECT_FALSE(platform::PathExists(StorePath("DC") + "-backup"));
    }
}

TEST_F(InstallerEndToEndTest, StoreLeftAsBackupByAnInterruptedRunIsRestored)
{
    CopyExampleStore("DC");
    const std::string store = StorePath("DC");
    fs::rename(Utf8ToPath(store), Utf8ToPath(store + "-backup"));
    EXPECT_EQ(RunInstallerProgram(), Line("Restored " + store + " from " + store + "-backup") +
                                         Line(store) + InstalledLines());
    EXPECT_FALSE(platform::PathExists(store + "-backup"));
}

TEST_F(InstallerEndToEndTest, MissingMandatoryCertificatesNameOnlyTheFirst)
{
    CopyExampleStore("DC");
    fs::remove(Utf8ToPath(CertPath("NorvSigningCA.crt")));
    fs::remove(Utf8ToPath(CertPath("NorvESealCA.crt")));
    EXPECT_EQ(RunInstallerProgram(), Line("can't find NorvSigningCA certificate"));
}

TEST_F(InstallerEndToEndTest, UnsetOrEmptyAppDataTouchesNothing)
{
    if (platform::RoamingAppDataFolder()) {
        GTEST_SKIP() << "the program would fall back to this user's real profile folder";
    }
    CopyExampleStore("DC");
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        ProcessResult result = RunProcess(mExe, {{"APPDATA", value}});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, Line("APPDATA is not set; no trust store to update"));
    }
}

TEST_F(InstallerEndToEndTest, MissingOptionalCertificateIsSkipped)
{
    fs::remove(Utf8ToPath(CertPath("NorvESealCA_2.crt")));
    EXPECT_EQ(RunInstallerProgram(), Line("can't read NorvESealCA_2 certificate, skipping it"));
}

} // namespace
