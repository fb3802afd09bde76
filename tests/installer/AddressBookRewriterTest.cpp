#include "installer/AddressBookRewriter.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "StoreFiles.h"
#include "TempFolder.h"
#include "installer/AddressBookReader.h"
#include "installer/StoreReplacement.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

const std::string kGoldenDir = INSTALLER_GOLDEN_DIR;

// One store in a temporary folder and an install on it with captured console output.
class AddressBookRewriterTest : public ::testing::Test
{
protected:
    AddressBookRewriterTest()
        : mStore(mFolder.PathOf("addressbook.acrodata")), mNewStore(mStore + "-new"),
          mBackup(mStore + "-backup")
    {
    }

    void WriteStore(const std::string& bytes)
    {
        mOriginal = bytes;
        TempFolder::WriteFile(mStore, bytes);
    }

    std::string Install(std::vector<CertificateRecord>& records)
    {
        std::ostringstream out;
        mErr.str("");
        InstallCertificatesTo(mStore, mNewStore, records, out, mErr);
        return out.str();
    }

    std::string Install(const std::vector<std::string>& certs)
    {
        std::vector<CertificateRecord> records = Records(certs);
        return Install(records);
    }

    std::string StoreBytes() const { return TempFolder::ReadFile(mStore); }

    // The store as it was, and nothing left beside it.
    void ExpectUntouched() const
    {
        EXPECT_EQ(StoreBytes(), mOriginal);
        EXPECT_FALSE(platform::PathExists(mNewStore));
        EXPECT_FALSE(platform::PathExists(mBackup));
    }

    void ExpectInstalled(const std::string& goldenName) const
    {
        EXPECT_FALSE(platform::PathExists(mNewStore));
        EXPECT_FALSE(platform::PathExists(mBackup));
        EXPECT_TRUE(MatchesGoldenFile(kGoldenDir + "/" + goldenName, MaskDocumentID(StoreBytes())));
    }

    TempFolder mFolder;
    std::string mStore;
    std::string mNewStore;
    std::string mBackup;
    std::string mOriginal;
    std::ostringstream mErr;
};

const std::string kInstalledLines = "adding certificates\n"
                                    "File successfully renamed\n"
                                    "File successfully renamed\n"
                                    "New certificates are succesfully installed Adobe's Trusted "
                                    "Certificates store.\n"
                                    "Newly added certificates are issued by Velmora.\n";

TEST_F(AddressBookRewriterTest, CopiesOldEntriesAndAddsMissingOnes)
{
    WriteStore(BuildStore({{1, Catalog("5 0 R 9 0 R 12 0 R", "20")},
                           {5, Entry("aa01", 3)},
                           {9, Entry("0a0b0c", 4)},
                           {12, Entry("aa02", 5)}}));
    EXPECT_EQ(Install({"1a1b1c", "0a0b0c", "2a2b2c"}), kInstalledLines);
    EXPECT_EQ(mErr.str(), "");
    ExpectInstalled("two-added-to-three.acrodata");
}

TEST_F(AddressBookRewriterTest, EmptyEntriesReceiveAllCertificates)
{
    WriteStore(BuildStore({{1, Catalog("", "1000")}}));
    EXPECT_EQ(Install({"01", "02", "03", "04", "05", "06", "07", "08"}), kInstalledLines);
    ExpectInstalled("eight-added-to-empty.acrodata");
}

// Every kind of value an entry may hold comes through: names, reals, nested dictionaries and
// arrays, references to other entries and to objects outside Entries (copied once, cycles
// included), streams with their raw data, direct items in Entries, and keys of the catalog
// dictionaries that the rewrite does not write itself.
TEST_F(AddressBookRewriterTest, CopiesEveryKindOfValueFaithfully)
{
    const std::string data = std::string("x\0\xff(y", 5);
    WriteStore(BuildStore(
        {{1, "<< /PPK << /AddressBook << /Entries [ 2 0 R << /Direct true >> 3 0 R 7 ] "
             "/NextID 4 /Type /AddressBook /Extra 8 0 R >> /Type /PPK "
             "/User << /Type /User /Name (me) >> /V 2.5 /Mode /Strict >> /Type /Catalog "
             "/Lang (nb) >>"},
         {2, "<< /ABEType 2 /Members [ 3 0 R 8 0 R [ /A 1.25 -3 null false <0F> (s) ] ] "
             "/Group << /Inner << /Deep [ 9 0 R ] >> >> /ID 10 /Cert (\x01\xfe) /Label (\x01) >>"},
         {3, "<< /ABEType 1 /Cert <0A0B0C> /Back 2 0 R /Data 10 0 R /ID 11 >>"},
         {8, "<< /Self 8 0 R /Next 9 0 R >>"},
         {9, "[ 8 0 R 3 0 R ]"},
         {10, "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 >> /Length 11 0 R >>\r\n"
              "stream\r\n" +
                  data + "\r\nendstream"},
         {11, "5"}}));
    EXPECT_EQ(Install({"0a0b0c", "1a1b1c"}), kInstalledLines);
    ExpectInstalled("faithful-copy.acrodata");
}

TEST_F(AddressBookRewriterTest, LiteralCertificateBecomesHexAndIsRecognised)
{
    WriteStore(BuildStore(
        {{1, Catalog("2 0 R", "7")}, {2, "<< /Cert (\\n\\013\\f) /Note (\\n) /ID 3 >>"}}));
    EXPECT_EQ(Install({"0a0b0c", "ff"}), kInstalledLines);
    ExpectInstalled("literal-cert.acrodata");
}

struct IdentifierCase
{
    const char* what;
    std::string nextID;
    std::string idOfOldEntry;
    std::string expectedFirst;
};

TEST_F(AddressBookRewriterTest, NewIdentifiersFollowNextIDAndEveryIdentifierInUse)
{
    const IdentifierCase cases[] = {
        {"NextID ahead", "50", "7", "50"},       {"NextID behind an entry", "5", "7", "8"},
        {"NextID a real", "5.0", "7", "8"},      {"no NextID, no identifiers", "", "(x)", "0"},
        {"identifier a real", "3", "99.5", "3"},
    };
    for (const IdentifierCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string book = c.nextID.empty() ? "" : "/NextID " + c.nextID;
        WriteStore(BuildStore(
            {{1, "<< /PPK << /AddressBook << /Entries [ 2 0 R ] " + book + " >> /V 1 >> >>"},
             {2, "<< /Cert <aa> /ID " + c.idOfOldEntry + " >>"}}));
        EXPECT_EQ(Install({"bb"}), kInstalledLines);
        const std::string bytes = StoreBytes();
        EXPECT_NE(bytes.find("\t/ID " + c.expectedFirst + "\r\n"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("/NextID " + std::to_string(std::stoll(c.expectedFirst) + 1) + "\r\n"),
                  std::string::npos);
    }
}

TEST_F(AddressBookRewriterTest, AlreadyTrustedStoreIsLeftAsItIs)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0A0B0C", 1)}}));
    EXPECT_EQ(Install({"0a0b0c"}), "Certificates are already trusted\n");
    ExpectUntouched();
}

TEST_F(AddressBookRewriterTest, SecondInstallFindsEverythingAndChangesNothing)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a", 1)}}));
    std::vector<CertificateRecord> records = Records({"0b", "0c"});
    ASSERT_EQ(Install(records), kInstalledLines);
    WriteStore(StoreBytes());
    EXPECT_EQ(Install(records), "Certificates are already trusted\n");
    ExpectUntouched();
}

struct RefusedCase
{
    const char* what;
    std::string store;
    std::string line;
};

TEST_F(AddressBookRewriterTest, StoresThatCannotBeCopiedFaithfullyStayUntouched)
{
    const std::string unreadable = "Can't parse addressbook\n";
    const RefusedCase cases[] = {
        {"unreadable store", "%PPKLITE-2.1\r\njunk", unreadable},
        {"dangling entry", BuildStore({{1, Catalog("2 0 R 4 0 R")}, {2, Entry("aa", 1)}}),
         unreadable},
        {"symbol in an entry",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /Odd [ 1 bogus ] >>"}}),
         "adding certificates\nThe store holds a value that can't be copied; the store was left "
         "unchanged\n"},
        {"reference to a missing object",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /Gone 40 0 R >>"}}),
         "adding certificates\nThe store refers to an object that can't be read; the store was "
         "left unchanged\n"},
        {"stream whose length runs past the end",
         BuildStore({{1, Catalog("2 0 R")},
                     {2, "<< /Cert <aa> /S 3 0 R >>"},
                     {3, "<< /Length 99999 >>\r\nstream\r\nabc\r\nendstream"}}),
         "adding certificates\nThe store refers to an object that can't be read; the store was "
         "left unchanged\n"},
        {"identifiers used up",
         BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa", 9223372036854775807LL)}}),
         "adding certificates\nThe store has no entry identifiers left; the store was left "
         "unchanged\n"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteStore(c.store);
        EXPECT_EQ(Install({"bb"}), c.line);
        ExpectUntouched();
    }
}

TEST_F(AddressBookRewriterTest, NewStoreThatCannotBeCreatedLeavesStoreAlone)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    fs::create_directory(Utf8ToPath(mNewStore));
    EXPECT_EQ(Install({"bb"}), "adding certificates\nCan't create the new store file; the store "
                               "was left unchanged\n");
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_TRUE(fs::is_directory(Utf8ToPath(mNewStore)));
}

TEST_F(AddressBookRewriterTest, NewStoreThatDoesNotReadBackIsDiscarded)
{
    // A record that is not in the form certificates are kept in (upper-case digits) is written
    // but can never be found again: the read-back must catch that.
    WriteStore(BuildStore({{1, Catalog("")}}));
    EXPECT_EQ(Install({"0A"}), "adding certificates\nThe new store did not read back "
                               "correctly; the store was left unchanged\n");
    ExpectUntouched();
}

TEST_F(AddressBookRewriterTest, UnfinishedNewStoreIsRemoved)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "needs a device that refuses every write";
    }
    WriteStore(BuildStore({{1, Catalog("")}}));
    fs::create_symlink("/dev/full", Utf8ToPath(mNewStore));
    EXPECT_EQ(Install({"bb"}), "adding certificates\nfailed in end PDF\n");
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_FALSE(fs::exists(fs::symlink_status(Utf8ToPath(mNewStore))));
}

TEST_F(AddressBookRewriterTest, StaleBackupFileIsReplaced)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    TempFolder::WriteFile(mBackup, "left by an earlier run");
    EXPECT_EQ(Install({"bb"}), kInstalledLines);
    EXPECT_FALSE(platform::PathExists(mBackup));
    std::vector<CertificateRecord> records = Records({"bb"});
    EXPECT_TRUE(ReadAddressBook(mStore, records));
    EXPECT_TRUE(records[0].alreadyTrusted);
}

TEST_F(AddressBookRewriterTest, BlockedBackupPathLeavesStoreAsItWas)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    fs::create_directories(Utf8ToPath(mBackup) / "content");
    EXPECT_EQ(Install({"bb"}), "adding certificates\n"
                               "Adobe's Trusted Certificates store was left unchanged.\n");
    const std::string err = mErr.str();
    EXPECT_EQ(err.rfind("Error renaming file 1: ", 0), 0u) << err;
    EXPECT_NE(err.find("\nError renaming file 2: "), std::string::npos) << err;
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_FALSE(platform::PathExists(mNewStore));
    EXPECT_TRUE(fs::is_directory(Utf8ToPath(mBackup) / "content"));
}

TEST_F(AddressBookRewriterTest, ThousandsOfEntriesAreCopiedInOrder)
{
    StoreObjects objects;
    std::string entries;
    constexpr std::uint32_t kCount = 2000;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        // Numbers in reverse, so old and new numbers differ for every entry.
        entries += std::to_string(kCount + 1 - i) + " 0 R ";
        objects.emplace_back(i + 2, Entry("c00" + std::to_string(i % 10), i));
    }
    objects.insert(objects.begin(), {1, Catalog(entries, "5000")});
    WriteStore(BuildStore(objects));
    EXPECT_EQ(Install({"0b"}), kInstalledLines);
    std::vector<CertificateRecord> records = Records({"0b", "c009"});
    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(mStore, records, summary));
    EXPECT_EQ(summary.entryCount, kCount + 1);
    EXPECT_EQ(summary.largestID, 5000);
    EXPECT_EQ(Flags(records), (std::vector<bool>{true, true}));
}

class StoreReplacementTest : public AddressBookRewriterTest
{
};

TEST_F(StoreReplacementTest, OldStoreReturnsWhenNewOneCannotMoveIn)
{
    WriteStore("old");
    std::ostringstream out;
    EXPECT_EQ(ReplaceStore(mStore, mNewStore, out, mErr), ReplaceOutcome::LeftUnchanged);
    EXPECT_EQ(out.str(), "File successfully renamed\n");
    EXPECT_EQ(mErr.str().rfind("Error renaming file 2: ", 0), 0u);
    ExpectUntouched();
}

TEST_F(StoreReplacementTest, InterruptedRunIsRecovered)
{
    TempFolder::WriteFile(mBackup, "old");
    std::ostringstream out;
    RecoverInterruptedStore(mStore, out);
    EXPECT_EQ(out.str(), "Restored " + mStore + " from " + mBackup + "\n");
    EXPECT_EQ(StoreBytes(), "old");
    EXPECT_FALSE(platform::PathExists(mBackup));
}

TEST_F(StoreReplacementTest, RecoveryLeavesAPresentStoreAndFoldersAlone)
{
    TempFolder::WriteFile(mStore, "current");
    TempFolder::WriteFile(mBackup, "older");
    std::ostringstream out;
    RecoverInterruptedStore(mStore, out);
    fs::remove(Utf8ToPath(mStore));
    fs::remove(Utf8ToPath(mBackup));
    fs::create_directory(Utf8ToPath(mBackup));
    RecoverInterruptedStore(mStore, out);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(platform::PathExists(mStore));
}

} // namespace
