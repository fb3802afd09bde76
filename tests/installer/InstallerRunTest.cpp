#include "installer/InstallerRun.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PemText.h"
#include "TempFolder.h"
#include "installer/CertificateSet.h"
#include "installer/InstallerPaths.h"
#include "platform/FolderListing.h"
#include "platform/Platform.h"

namespace {

struct InstallCall
{
    std::string storePath;
    std::string newStorePath;
    std::vector<CertificateRecord> certificates; // as handed in
};

// A program folder with the certificate files and a profile folder with stores, both with
// non-ASCII names, and an install step that records what it was given.
class InstallerRunTest : public ::testing::Test
{
protected:
    InstallerRunTest()
        : mExeFolder(mFolder.PathOf("Programme Ünïcödé")),
          mAppData(mFolder.PathOf("Roaming Профиль"))
    {
        std::filesystem::create_directories(Utf8ToPath(mExeFolder));
        std::filesystem::create_directories(Utf8ToPath(mAppData));
    }

    std::string CertPath(const CertificateFile& file) const
    {
        return mExeFolder + platform::kPathSeparator + file.fileName;
    }

    // The example certificates, one in each file, so every record is told apart by its content.
    void WriteAllCertificates() const
    {
        for (const CertificateFile& file : kCertificateFiles) {
            TempFolder::WriteFile(CertPath(file), ExampleCertificate(file.label));
        }
    }

    static std::string ExampleCertificate(const std::string& label)
    {
        return TempFolder::ReadFile(std::string(TRUST_INSTALLER_EXAMPLES) + "/certs/" + label +
                                    ".crt");
    }

    void RemoveCertificate(const char* label) const
    {
        for (const CertificateFile& file : kCertificateFiles) {
            if (std::string(file.label) == label) {
                std::filesystem::remove(Utf8ToPath(CertPath(file)));
            }
        }
    }

    std::string StorePath(const char* version) const
    {
        return ComposeStorePath(ComposeProfileFolder(mAppData), version);
    }

    void WriteStore(const char* version) const
    {
        std::string path = StorePath(version);
        std::filesystem::create_directories(Utf8ToPath(path).parent_path());
        TempFolder::WriteFile(path, "%PPKLITE-2.1\n");
    }

    std::string Run(const std::optional<std::string>& appData,
                    std::chrono::milliseconds lockWait = kStoreLockWait)
    {
        std::ostringstream out;
        auto install = [this](const std::string& storePath, const std::string& newStorePath,
                              std::vector<CertificateRecord>& certificates) {
            mCalls.push_back({storePath, newStorePath, certificates});
            if (mMarkFirstAsTrusted && !certificates.empty()) {
                certificates.front().alreadyTrusted = true;
            }
        };
        EXPECT_EQ(RunInstaller(mExeFolder, appData, out, install, lockWait), 0);
        return out.str();
    }
    std::string Run() { return Run(mAppData); }

    // The records that the example certificates of these labels give.
    static std::vector<std::string> HexOf(const std::vector<const char*>& labels)
    {
        std::vector<std::string> hex;
        for (const char* label : labels) {
            const std::string der = ExampleCertificate(label);
            hex.push_back(BytesToHex(std::vector<std::uint8_t>(der.begin(), der.end())));
        }
        return hex;
    }
    static std::vector<std::string> HexOf(const std::vector<CertificateRecord>& records)
    {
        std::vector<std::string> hex;
        for (const CertificateRecord& record : records) {
            hex.push_back(record.certHex);
        }
        return hex;
    }

    // Certificates and a DC store, whose lock the returned object holds as another run would.
    std::unique_ptr<platform::ExclusiveLock> StoreLockedByAnotherRun() const
    {
        WriteAllCertificates();
        WriteStore("DC");
        std::unique_ptr<platform::ExclusiveLock> lock;
        std::string reason;
        (void)platform::ExclusiveLock::TryAcquire(StorePath("DC"), lock, reason); // null: failed
        return lock;
    }

    TempFolder mFolder;
    std::string mExeFolder;
    std::string mAppData;
    std::vector<InstallCall> mCalls;
    bool mMarkFirstAsTrusted = false;
};

TEST_F(InstallerRunTest, NoStoreGivesNoOutput)
{
    WriteAllCertificates();
    EXPECT_EQ(Run(), "");
    EXPECT_TRUE(mCalls.empty());
}

TEST_F(InstallerRunTest, ExistingStoresAreHandedOverInVersionOrder)
{
    WriteAllCertificates();
    WriteStore("11.0");
    WriteStore("DC");
    EXPECT_EQ(Run(), StorePath("DC") + "\n" + StorePath("11.0") + "\n");
    ASSERT_EQ(mCalls.size(), 2u);
    EXPECT_EQ(mCalls[0].storePath, StorePath("DC"));
    EXPECT_EQ(mCalls[0].newStorePath, StorePath("DC") + "-new");
    EXPECT_EQ(mCalls[1].storePath, StorePath("11.0"));
    EXPECT_EQ(mCalls[1].newStorePath, StorePath("11.0") + "-new");
}

TEST_F(InstallerRunTest, CertificateListHoldsAllEightInOrder)
{
    WriteAllCertificates();
    WriteStore("10.0");
    (void)Run();
    ASSERT_EQ(mCalls.size(), 1u);
    EXPECT_EQ(HexOf(mCalls[0].certificates),
              HexOf({"NorvSigningCA", "TesselTimeStampingCA", "NorvESealCA", "NorvSigningCAG2",
                     "TimeStampingCA2", "NorvESealCA_2", "NorvESealCAG2", "NorvTrustRootCAG2"}));
    for (const CertificateRecord& record : mCalls[0].certificates) {
        EXPECT_FALSE(record.alreadyTrusted);
    }
}

TEST_F(InstallerRunTest, TrustFoundInOneStoreCountsForTheNext)
{
    WriteAllCertificates();
    WriteStore("DC");
    WriteStore("10.0");
    mMarkFirstAsTrusted = true;
    (void)Run();
    ASSERT_EQ(mCalls.size(), 2u);
    EXPECT_FALSE(mCalls[0].certificates[0].alreadyTrusted);
    EXPECT_TRUE(mCalls[1].certificates[0].alreadyTrusted) << "the list is shared, not copied";
}

TEST_F(InstallerRunTest, EachMissingMandatoryFileStopsTheRunWithItsLine)
{
    const char* labels[] = {"NorvSigningCA", "TesselTimeStampingCA", "NorvESealCA"};
    for (const char* label : labels) {
        SCOPED_TRACE(label);
        WriteAllCertificates();
        WriteStore("DC");
        RemoveCertificate(label);
        mCalls.clear();
        EXPECT_EQ(Run(), std::string("can't find ") + label + " certificate\n");
        EXPECT_TRUE(mCalls.empty());
    }
}

TEST_F(InstallerRunTest, OnlyTheFirstMissingMandatoryFileIsReported)
{
    WriteAllCertificates();
    WriteStore("DC");
    RemoveCertificate("NorvSigningCA");
    RemoveCertificate("NorvESealCA");
    EXPECT_EQ(Run(), "can't find NorvSigningCA certificate\n");
    RemoveCertificate("TesselTimeStampingCA");
    EXPECT_EQ(Run(), "can't find NorvSigningCA certificate\n");
    EXPECT_TRUE(mCalls.empty());
}

TEST_F(InstallerRunTest, MissingOptionalFileIsSkippedWithALine)
{
    WriteAllCertificates();
    WriteStore("DC");
    RemoveCertificate("NorvSigningCAG2");
    RemoveCertificate("NorvTrustRootCAG2");
    EXPECT_EQ(Run(), "can't read NorvSigningCAG2 certificate, skipping it\n"
                     "can't read NorvTrustRootCAG2 certificate, skipping it\n" +
                         StorePath("DC") + "\n");
    ASSERT_EQ(mCalls.size(), 1u);
    EXPECT_EQ(HexOf(mCalls[0].certificates),
              HexOf({"NorvSigningCA", "TesselTimeStampingCA", "NorvESealCA", "TimeStampingCA2",
                     "NorvESealCA_2", "NorvESealCAG2"}));
}

TEST_F(InstallerRunTest, OversizedOptionalFileIsSkipped)
{
    WriteAllCertificates();
    WriteStore("DC");
    TempFolder::WriteFile(CertPath(kCertificateFiles[4]),
                          std::string(static_cast<std::size_t>(kMaxCertificateFileBytes) + 1, 'x'));
    EXPECT_EQ(Run(),
              "can't read TimeStampingCA2 certificate, skipping it\n" + StorePath("DC") + "\n");
    ASSERT_EQ(mCalls.size(), 1u);
    EXPECT_EQ(mCalls[0].certificates.size(), 7u);
}

TEST_F(InstallerRunTest, UnreadableMandatoryFileStopsTheRun)
{
    WriteAllCertificates();
    WriteStore("DC");
    TempFolder::WriteFile(CertPath(kCertificateFiles[1]),
                          std::string(static_cast<std::size_t>(kMaxCertificateFileBytes) + 1, 'x'));
    EXPECT_EQ(Run(), "can't read TesselTimeStampingCA certificate\n");
    EXPECT_TRUE(mCalls.empty());
}

TEST_F(InstallerRunTest, SameCertificateInPemAndDerGivesTwoEqualRecords)
{
    WriteAllCertificates();
    WriteStore("DC");
    TempFolder::WriteFile(CertPath(kCertificateFiles[7]),
                          PemText(ExampleCertificate("NorvESealCAG2"), "\r\n"));
    (void)Run();
    ASSERT_EQ(mCalls.size(), 1u);
    const std::vector<CertificateRecord>& list = mCalls[0].certificates;
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[7].certHex, list[6].certHex);
}

TEST_F(InstallerRunTest, MandatoryFileWithoutACertificateStopsTheRun)
{
    WriteAllCertificates();
    WriteStore("DC");
    TempFolder::WriteFile(CertPath(kCertificateFiles[2]), "");
    EXPECT_EQ(Run(), "can't read NorvESealCA certificate\n");
    EXPECT_TRUE(mCalls.empty());
}

TEST_F(InstallerRunTest, UnknownProfileFolderTouchesNothing)
{
    // Checked before the certificates: with no profile there is nothing to do at all.
    WriteStore("DC");
    for (const std::optional<std::string>& appData :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        EXPECT_EQ(Run(appData), "APPDATA is not set; no trust store to update\n");
    }
    EXPECT_TRUE(mCalls.empty());
}

TEST_F(InstallerRunTest, UnknownExecutableFolderLooksForNoCertificate)
{
    std::ostringstream out;
    int calls = 0;
    auto install = [&calls](const std::string&, const std::string&,
                            std::vector<CertificateRecord>&) { ++calls; };
    EXPECT_EQ(RunInstaller("", mAppData, out, install), 0);
    EXPECT_EQ(out.str(), "can't find the installer's folder; no certificate to install\n");
    EXPECT_EQ(calls, 0);
}

// Only a regular file is a store: a folder there is named and refused, never opened.
TEST_F(InstallerRunTest, FolderInPlaceOfStoreIsRefused)
{
    WriteAllCertificates();
    std::filesystem::create_directories(Utf8ToPath(StorePath("DC")));
    WriteStore("11.0");
    EXPECT_EQ(Run(), StorePath("DC") + "\nCan't parse addressbook\n" + StorePath("11.0") + "\n");
    ASSERT_EQ(mCalls.size(), 1u);
}

// The stores a run visits for each layout of the profile folder, given as paths below
// Adobe/Acrobat/: a path ending in "/" is a folder, "name -> target" a link to a folder, any
// other path a file, each with the folders on its way.
TEST(StoreWalkTest, VisitsEveryProductLineFolderHoldingAStoreInOrder)
{
    const std::string store = "/Security/addressbook.acrodata";
    struct Case
    {
        const char* what;
        std::vector<std::string> layout;
        std::vector<std::string> visited; // folder names, in order
        bool posixOnly = false;           // links and names Windows cannot be given
    };
    const Case cases[] = {
        {"no profile folder at all", {}, {}},
        {"today's versions, in their own order", {"11.0" + store, "DC" + store}, {"DC", "11.0"}},
        {"every product line, after today's versions",
         {"9.0" + store, "2020" + store, "DC" + store, "2017" + store, "Extra/", "Extra/Other/x",
          "2024"},
         {"DC", "2017", "2020", "9.0"}},
        {"other folders in byte order, not by number or letter",
         {"Zeta" + store, "acrobat" + store, "Ärger" + store, "10.0" + store, "2020" + store,
          "9.0" + store, "10" + store},
         {"10.0", "10", "2020", "9.0", "Zeta", "acrobat", "Ärger"}},
        {"only an interrupted run's backup", {"2017" + store + "-backup"}, {"2017"}},
        {"a folder at the store path is still named (and refused)",
         {"2020" + store + "/"},
         {"2020"}},
        {"folders without a store",
         {"2017/Security/", "2018/Security/addressbook.acrodata-new", "2019/",
          "addressbook.acrodata"},
         {}},
        {"files where folders would be", {"2017", "2018/Security"}, {}},
        {"letter case", {"dc" + store}, {platform::kFileNamesIgnoreCase ? "DC" : "dc"}},
        {"a link to a folder holding a store", {"Real" + store, "Linked -> Real"}, {"Real"}, true},
        {"a name that is not UTF-8", {"\xff\xfe" + store, "2020" + store}, {"2020"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.posixOnly && platform::kPathSeparator == '\\') {
            continue; // Windows: a link needs rights a test has not, and a name is UTF-16
        }
        TempFolder folder;
        const std::string appData = folder.PathOf("Roaming");
        const std::filesystem::path acrobat = Utf8ToPath(appData) / "Adobe" / "Acrobat";
        for (const std::string& entry : c.layout) {
            const std::size_t arrow = entry.find(" -> ");
            const std::filesystem::path path = acrobat / Utf8ToPath(entry.substr(0, arrow));
            std::filesystem::create_directories(path.parent_path());
            if (arrow != std::string::npos) {
                std::filesystem::create_directory_symlink(Utf8ToPath(entry.substr(arrow + 4)),
                                                          path);
            } else if (entry.back() == '/') {
                std::filesystem::create_directories(path);
            } else {
                TempFolder::WriteFile(PathToUtf8(path), "%PPKLITE-2.1\n");
            }
        }
        const std::string profile = ComposeProfileFolder(appData);
        std::vector<std::string> expected;
        for (const std::string& name : c.visited) {
            expected.push_back(ComposeStorePath(profile, name));
        }
        std::vector<std::string> visited;
        std::ostringstream out;
        EXPECT_TRUE(VisitStores(profile, kStoreLockWait, out,
                                [&](const std::string& path) { visited.push_back(path); }));
        EXPECT_EQ(visited, expected);
        EXPECT_EQ(out.str(), "");
    }
}

// Another run holds the store for longer than this run waits: it is left alone, once said.
TEST_F(InstallerRunTest, StoreLockedByAnotherRunIsLeftAloneAfterTheWait)
{
    std::unique_ptr<platform::ExclusiveLock> otherRun = StoreLockedByAnotherRun();
    ASSERT_NE(otherRun, nullptr);
    EXPECT_EQ(Run(mAppData, std::chrono::milliseconds(200)),
              "Another install is updating " + StorePath("DC") + "; waiting\n" +
                  "Another install is still updating " + StorePath("DC") + "; it was left alone\n");
    EXPECT_TRUE(mCalls.empty());
}

// When the other run ends within the wait, the store is judged as usual.
TEST_F(InstallerRunTest, StoreReleasedByAnotherRunIsInstalled)
{
    std::unique_ptr<platform::ExclusiveLock> otherRun = StoreLockedByAnotherRun();
    ASSERT_NE(otherRun, nullptr);
    std::thread release([&otherRun]() {
        platform::SleepMilliseconds(100);
        otherRun.reset();
    });
    const std::string output = Run(mAppData, std::chrono::milliseconds(20000));
    release.join();
    EXPECT_EQ(output, "Another install is updating " + StorePath("DC") + "; waiting\n" +
                          StorePath("DC") + "\n");
    EXPECT_EQ(mCalls.size(), 1u);
}

} // namespace
