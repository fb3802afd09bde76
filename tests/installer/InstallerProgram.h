#pragma once

// The built trust-installer as a user's logon script runs it: the program copied beside the
// certificate files (ProgramFoldersTest), APPDATA pointing at the profile folder, standard
// output captured.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramFoldersTest.h"
#include "RunProcess.h"

class InstallerProgramTest : public ProgramFoldersTest
{
protected:
    InstallerProgramTest() : mExe(CopyProgram(TRUST_INSTALLER_EXE)) {}

    static std::string ExampleCertificate(const std::string& fileName)
    {
        return TempFolder::ReadFile(ExampleCertificatePath(fileName));
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

    std::string mExe;
};
