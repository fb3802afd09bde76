#pragma once

// The built trust-installer as a user's logon script runs it: the program and its certificate
// files copied into a folder with a non-ASCII name, APPDATA pointing at a profile folder,
// standard output captured.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunProcess.h"
#include "TempFolder.h"
#include "installer/CertificateSet.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"

class InstallerProgramTest : public ::testing::Test
{
protected:
    InstallerProgramTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")), mAppData(mFolder.PathOf("Roaming Ærø"))
    {
        namespace fs = std::filesystem;
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

    std::string ExampleCertificate(const std::string& fileName) const
    {
        return TempFolder::ReadFile(
            PathToUtf8(Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "certs" / fileName));
    }

    std::string StorePath(const char* version) const
    {
        return ComposeStorePath(ComposeProfileFolder(mAppData), version);
    }

    // The bundled example store, at the store path of the version.
    void CopyExampleStore(const char* version) const
    {
        namespace fs = std::filesystem;
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

    StartedProcess StartInstallerProgram() const
    {
        return StartProcess(mExe, {}, {{"APPDATA", mAppData}});
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

    // The names in the folder of a store, sorted.
    static std::vector<std::string> NamesBeside(const std::string& storePath)
    {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(Utf8ToPath(storePath).parent_path())) {
            names.push_back(PathToUtf8(entry.path().filename()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
    std::string mExe;
};
