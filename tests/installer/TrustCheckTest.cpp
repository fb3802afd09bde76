#include "tools/trust-check/TrustCheck.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramFoldersTest.h"
#include "StoreFiles.h"
#include "installer/CertificateSet.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

// The example certificates beside the program, stores built from them under the profile.
class TrustCheckTest : public ProgramFoldersTest
{
protected:
    TrustCheckTest()
    {
        for (const CertificateFile& file : kCertificateFiles) {
            mHex[file.label] =
                BytesToHex(*ReadCertificateFile(ExampleCertificatePath(file.fileName)));
        }
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
         [&] { WriteStore("DC", StoreWith(kAllLabels)); },
         {dc, "All certificates are trusted"},
         TrustCheckResult::NothingToDo},
        {"missing certificates named in list order, stores in version order",
         [&] {
             WriteStore("11.0", StoreWith(kAllLabels));
             WriteStore("DC", StoreWith({"NorvTrustRootCAG2", "NorvSigningCAG2", "NorvESealCA",
                                         "TesselTimeStampingCA", "NorvESealCAG2"}));
         },
         {dc, "missing: NorvSigningCA", "missing: TimeStampingCA2", "missing: NorvESealCA_2", v11,
          "All certificates are trusted"},
         TrustCheckResult::WouldAdd},
        {"each store judged on its own",
         [&] {
             WriteStore("DC", StoreWith(kAllLabels));
             WriteStore("10.0", StoreWith({}));
         },
         {dc, "All certificates are trusted", v10, "missing: NorvSigningCA",
          "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2"},
         TrustCheckResult::WouldAdd},
        {"an unreadable store outweighs one that would get certificates",
         [&] {
             WriteStore("DC", StoreWith({"NorvSigningCA"}));
             WriteStore("11.0", damaged);
         },
         {dc, "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2", v11, "Can't parse addressbook"},
         TrustCheckResult::CannotTell},
        {"a PDF file in place of a store",
         [&] { WriteStore("DC", "%PDF-1.7\r\n%%EOF"); },
         {dc, "Can't parse addressbook"},
         TrustCheckResult::CannotTell},
        {"a store left under its backup name is judged by that file and left there",
         [&] {
             WriteStore("DC", StoreWith({"NorvSigningCA"}));
             fs::rename(Utf8ToPath(dc), Utf8ToPath(BackupPathOf(dc)));
         },
         {dc, "missing: TesselTimeStampingCA", "missing: NorvESealCA", "missing: NorvSigningCAG2",
          "missing: TimeStampingCA2", "missing: NorvESealCA_2", "missing: NorvESealCAG2",
          "missing: NorvTrustRootCAG2"},
         TrustCheckResult::WouldAdd},
        {"a folder in place of a store is named and never opened",
         [&] { fs::create_directories(Utf8ToPath(dc)); },
         {dc, "Can't parse addressbook"},
         TrustCheckResult::CannotTell},
        {"a missing optional certificate is not asked for",
         [&] {
             fs::remove(Utf8ToPath(CertPath("NorvESealCA_2.crt")));
             std::vector<std::string> labels = kAllLabels;
             std::erase(labels, "NorvESealCA_2");
             WriteStore("DC", StoreWith(labels));
         },
         {"can't read NorvESealCA_2 certificate, skipping it", dc, "All certificates are trusted"},
         TrustCheckResult::NothingToDo},
        {"mandatory certificates missing: only the first is named",
         [&] {
             WriteStore("DC", StoreWith({}));
             fs::remove(Utf8ToPath(CertPath("TesselTimeStampingCA.crt")));
             fs::remove(Utf8ToPath(CertPath("NorvESealCA.crt")));
         },
         {"can't find TesselTimeStampingCA certificate"},
         TrustCheckResult::CannotTell},
        {"a mandatory file that holds no certificate",
         [&] {
             WriteStore("DC", StoreWith({}));
             TempFolder::WriteFile(CertPath("NorvESealCA.crt"), "not a certificate\n");
         },
         {"can't read NorvESealCA certificate"},
         TrustCheckResult::CannotTell},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        ResetFolders();
        c.arrange();
        const Snapshot before = TakeSnapshot();

        std::ostringstream out;
        EXPECT_EQ(RunTrustCheck(mExeFolder, mAppData, out), c.result);
        std::string expected;
        for (const std::string& line : c.lines) {
            expected += line + "\n";
        }
        EXPECT_EQ(out.str(), expected);
        EXPECT_EQ(TakeSnapshot(), before);
    }
}

TEST_F(TrustCheckTest, CannotTellWithoutProfileOrProgramFolder)
{
    WriteStore("DC", StoreWith({}));
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

// Console output that lets go of another run's hold on a store as soon as the check says it
// waits for it.
class ReleasingOnWaitBuffer : public std::stringbuf
{
public:
    std::unique_ptr<platform::ExclusiveLock> otherRun;
    bool releaseOnWait = false;

private:
    int sync() override
    {
        if (releaseOnWait && str().find("; waiting\n") != std::string::npos) {
            otherRun.reset();
        }
        return 0;
    }
};

TEST_F(TrustCheckTest, StoreHeldByARunningInstallIsWaitedFor)
{
    WriteStore("DC", StoreWith(kAllLabels));
    const std::string dc = StorePath("DC");
    const std::string waiting = "Another install is updating " + dc + "; waiting\n";
    for (const bool released : {true, false}) {
        SCOPED_TRACE(released ? "released while the check waits" : "held past the wait");
        ReleasingOnWaitBuffer buffer;
        std::string reason;
        ASSERT_EQ(platform::ExclusiveLock::TryAcquire(dc, buffer.otherRun, reason),
                  platform::ExclusiveLock::Attempt::Acquired)
            << reason;
        buffer.releaseOnWait = released;
        std::ostream out(&buffer);
        const auto wait =
            released ? std::chrono::milliseconds(60000) : std::chrono::milliseconds(200);
        const TrustCheckResult result = RunTrustCheck(mExeFolder, mAppData, out, wait);
        if (released) {
            EXPECT_EQ(result, TrustCheckResult::NothingToDo);
            EXPECT_EQ(buffer.str(), waiting + dc + "\nAll certificates are trusted\n");
        } else {
            EXPECT_EQ(result, TrustCheckResult::CannotTell);
            EXPECT_EQ(buffer.str(), waiting + "Another install is still updating " + dc +
                                        "; it was left alone\n");
        }
    }
}

} // namespace
