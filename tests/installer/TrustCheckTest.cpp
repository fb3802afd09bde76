#include "tools/trust-check/TrustCheck.h"

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFiles.h"
#include "TempFolder.h"
#include "installer/InstallerPaths.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

// Every file below folder with its bytes, to show that a check changed nothing.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(Utf8ToPath(folder))) {
        const std::string path = PathToUtf8(entry.path());
        files[path] = entry.is_regular_file() ? TempFolder::ReadFile(path) : "<folder>";
    }
    return files;
}

// A program folder holding the example certificates and a profile folder, both with
// non-ASCII names.
class TrustCheckTest : public ::testing::Test
{
protected:
    TrustCheckTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")), mAppData(mFolder.PathOf("Roaming Ærø"))
    {
        for (const CertificateFile& file : kCertificateFiles) {
            const fs::path source = Utf8ToPath(TRUST_INSTALLER_EXAMPLES) / "certs" / file.fileName;
            mHex[file.label] = BytesToHex(*ReadFileBytes(PathToUtf8(source)));
        }
        Reset();
    }

    // Every example certificate in the program folder, an empty profile folder.
    void Reset() const
    {
        fs::remove_all(Utf8ToPath(mExeFolder));
        fs::remove_all(Utf8ToPath(mAppData));
        fs::create_directories(Utf8ToPath(mExeFolder));
        fs::create_directories(Utf8ToPath(mAppData));
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

    // A store holding the example certificates with these labels, plus an unrelated entry.
    std::string StoreWith(const std::vector<std::string>& labels) const
    {
        StoreObjects objects;
        std::string references = "2 0 R";
        objects.push_back({2, Entry("00ff", 1000)});
        for (const std::string& label : labels) {
            const auto number = static_cast<std::uint32_t>(objects.size() + 2);
            objects.push_back({number, Entry(mHex.at(label), 1000 + number)});
            references.append(" ").append(std::to_string(number)).append(" 0 R");
        }
        objects.insert(objects.begin(), {1, Catalog(references)});
        return BuildStore(objects);
    }

    void WriteStore(const std::string& path, const std::string& bytes) const
    {
        fs::create_directories(Utf8ToPath(path).parent_path());
        TempFolder::WriteFile(path, bytes);
    }

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
    std::map<std::string, std::string> mHex; // label -> certificate as the store holds it
};

const std::vector<std::string> kAllLabels = {
    "NorvSigningCA",   "TesselTimeStampingCA", "NorvESealCA",   "NorvSigningCAG2",
    "TimeStampingCA2", "NorvESealCA_2",        "NorvESealCAG2", "NorvTrustRootCAG2"};

TEST_F(TrustCheckTest, TellsWhatTheInstallerWouldDoAndChangesNothing)
{
    const std::string dc = StorePath("DC");
    const std::string v10 = StorePath("10.0");
    const std::string v11 = StorePath("11.0");
    const std::string damaged = "%PPKLITE-2.1\r\nnot a store";
    struct CheckCase
    {
        const char* what;
        std::function<void()> arrange;
        std::vector<std::string> lines;
        TrustCheckResult result;
    };
    const CheckCase cases[] = {
        {"no store", [] {}, {"No trust store found"}, TrustCheckResult::NothingToDo},
        {"one store holding every certificate",
         [&] { WriteStore(dc, StoreWith(kAllLabels)); },
         {dc, "All certificates are trusted"},
         TrustCheckResult::NothingToDo},
        {"missing certificates named in list order, stores in version order",
         [&] {
             WriteStore(v11, StoreWith(kAllLabels));
             WriteStore(dc, StoreWith({"NorvTrustRootCAG2", "NorvSigningCAG2", "NorvESealCA",
                                       "TesselTimeStampingCA", "NorvESealCAG2"}));
         },
         {dc, "missing: NorvSigningCA", "missing: TimeStampingCA2", "missing: NorvESealCA_2", v11,
          "All certificates are trusted"},
         TrustCheckResult::WouldAdd},
        {"each store judged on its own",
         [&] {
             WriteStore(dc, StoreWith(kAllLabels));
             WriteStore(v10, StoreWith({}));
         },
         {dc, "All certificates are trusted", v10, "missing: NorvSigningCA",
          "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2"},
         TrustCheckResult::WouldAdd},
        {"an unreadable store outweighs one that would get certificates",
         [&] {
             WriteStore(dc, StoreWith({"NorvSigningCA"}));
             WriteStore(v11, damaged);
         },
         {dc, "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2", v11, "Can't parse addressbook"},
         TrustCheckResult::CannotTell},
        {"a PDF file in place of a store",
         [&] { WriteStore(dc, "%PDF-1.7\r\n%%EOF"); },
         {dc, "Can't parse addressbook"},
         TrustCheckResult::CannotTell},
        {"a store left under its backup name is judged by that file and left there",
         [&] { WriteStore(BackupPathOf(dc), StoreWith({"NorvSigningCA"})); },
         {dc, "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2"},
         TrustCheckResult::WouldAdd},
        {"a folder in place of a store is no store",
         [&] { fs::create_directories(Utf8ToPath(dc)); },
         {"No trust store found"},
         TrustCheckResult::NothingToDo},
        {"a missing optional certificate is not asked for",
         [&] {
             fs::remove(Utf8ToPath(CertPath("NorvESealCA_2.crt")));
             std::vector<std::string> labels = kAllLabels;
             std::erase(labels, "NorvESealCA_2");
             WriteStore(dc, StoreWith(labels));
         },
         {"can't read NorvESealCA_2 certificate, skipping it", dc, "All certificates are trusted"},
         TrustCheckResult::NothingToDo},
        {"mandatory certificates missing: only the first is named",
         [&] {
             WriteStore(dc, StoreWith({}));
             fs::remove(Utf8ToPath(CertPath("TesselTimeStampingCA.crt")));
             fs::remove(Utf8ToPath(CertPath("NorvESealCA.crt")));
         },
         {"can't find TesselTimeStampingCA certificate"},
         TrustCheckResult::CannotTell},
        {"a mandatory certificate too large to be one",
         [&] {
             WriteStore(dc, StoreWith({}));
             TempFolder::WriteFile(CertPath("NorvESealCA.crt"),
                                   std::string(kMaxCertificateFileBytes + 1, '0'));
         },
         {"can't read NorvESealCA certificate"},
         TrustCheckResult::CannotTell},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        c.arrange();
        const auto before = Snapshot(mFolder.Path());

        std::ostringstream out;
        EXPECT_EQ(RunTrustCheck(mExeFolder, mAppData, out), c.result);
        std::string expected;
        for (const std::string& line : c.lines) {
            expected += line + "\n";
        }
        EXPECT_EQ(out.str(), expected);
        EXPECT_EQ(Snapshot(mFolder.Path()), before);
    }
}

TEST_F(TrustCheckTest, CannotTellWithoutProfileOrProgramFolder)
{
    WriteStore(StorePath("DC"), StoreWith({}));
    struct FolderCase
    {
        const char* what;
        std::string exeFolder;
        std::optional<std::string> appData;
        const char* line;
    };
    const FolderCase cases[] = {
        {"APPDATA not set", mExeFolder, std::nullopt,
         "APPDATA is not set; no trust store to check"},
        {"APPDATA empty", mExeFolder, "", "APPDATA is not set; no trust store to check"},
        {"program folder unknown", "", mAppData,
         "can't find the program's folder; no certificate to check"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::ostringstream out;
        EXPECT_EQ(RunTrustCheck(c.exeFolder, c.appData, out), TrustCheckResult::CannotTell);
        EXPECT_EQ(out.str(), std::string(c.line) + "\n");
    }
}

} // namespace
