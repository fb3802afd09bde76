#pragma once

// A program folder holding the example certificate files and a profile folder for APPDATA,
// both with non-ASCII names, for the tests that run a whole program on them.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "installer/CertificateList.h"
#include "installer/InstallerPaths.h"
#include "platform/Platform.h"

class ProgramFoldersTest : public ::testing::Test
{
protected:
    ProgramFoldersTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")), mAppData(mFolder.PathOf("Roaming Ærø"))
    {
        ResetFolders();
    }

    // Every example certificate in the program folder, nothing else in either folder.
    void ResetFolders() const
    {
        namespace fs = std::filesystem;
        fs::remove_all(Utf8ToPath(mExeFolder));
        fs::remove_all(Utf8ToPath(mAppData));
        fs::create_directories(Utf8ToPath(mExeFolder));
        fs::create_directories(Utf8ToPath(mAppData));
        for (const CertificateFile& file : kCertificateFiles) {
            fs::copy_file(Utf8ToPath(ExampleCertificatePath(file.fileName)),
                          Utf8ToPath(CertPath(file.fileName)));
        }
    }

    // A copy of a built program in the program folder; its path.
    std::string CopyProgram(const std::string& built) const
    {
        const std::filesystem::path exe = Utf8ToPath(built);
        const std::string copy = mExeFolder + platform::kPathSeparator + PathToUtf8(exe.filename());
        std::filesystem::copy_file(exe, Utf8ToPath(copy));
        return copy;
    }

    static std::string ExampleCertificatePath(const std::string& fileName)
    {
        return std::string(TRUST_INSTALLER_EXAMPLES) + "/certs/" + fileName;
    }

    std::string CertPath(const std::string& fileName) const
    {
        return mExeFolder + platform::kPathSeparator + fileName;
    }

    std::string StorePath(const char* version) const
    {
        return ComposeStorePath(ComposeProfileFolder(mAppData), version);
    }

    // Writes a store for the version, with the folders on its way.
    void WriteStore(const char* version, const std::string& bytes) const
    {
        std::filesystem::create_directories(Utf8ToPath(StorePath(version)).parent_path());
        TempFolder::WriteFile(StorePath(version), bytes);
    }

    // The example profile's store: two entries, none of the example certificates.
    static std::string ExampleStore()
    {
        return TempFolder::ReadFile(std::string(TRUST_INSTALLER_EXAMPLES) +
                                    "/profile/Adobe/Acrobat/DC/Security/addressbook.acrodata");
    }

    // The example profile's store, copied as the store of the version.
    void CopyExampleStore(const char* version) const { WriteStore(version, ExampleStore()); }

    // The example's store in the folders of four product lines, beside a folder without a store
    // ("Extra") and a file named like a product line ("2024"); the four folders in the order a
    // run visits them.
    std::vector<const char*> CopyStoresOfFourProductLines() const
    {
        for (const char* version : {"9.0", "2020", "DC", "2017"}) {
            CopyExampleStore(version);
        }
        const std::string acrobat = ComposeProfileFolder(mAppData);
        std::filesystem::create_directories(Utf8ToPath(acrobat + "Extra"));
        TempFolder::WriteFile(acrobat + "2024", "not a folder");
        return {"DC", "2017", "2020", "9.0"};
    }

    // Every path below the test's folder; each file with its size, last write time and, up to
    // the size of the largest certificate file (all but the copied programs), its bytes. To show
    // that a program changed no file (a folder's own time changes when a lock file comes and goes
    // in it).
    struct FileState
    {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type lastWrite;
        std::string bytes;
        bool operator==(const FileState&) const = default;
    };
    using Snapshot = std::map<std::string, FileState>;
    Snapshot TakeSnapshot() const
    {
        Snapshot files;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(Utf8ToPath(mFolder.Path()))) {
            FileState& state = files[PathToUtf8(entry.path())];
            if (entry.is_regular_file()) {
                state.size = entry.file_size();
                state.lastWrite = entry.last_write_time();
                if (state.size <= kMaxCertificateFileBytes) {
                    state.bytes = TempFolder::ReadFile(PathToUtf8(entry.path()));
                }
            }
        }
        return files;
    }

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
};
