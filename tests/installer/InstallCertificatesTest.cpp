#include "installer/InstallCertificates.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFiles.h"
#include "StoreInFolderTest.h"
#include "TempFolder.h"
#include "installer/AddressBookReader.h"
#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {

using InstallCertificatesTest = StoreInFolderTest;

TEST_F(InstallCertificatesTest, CopiesOldEntriesAndAddsMissingOnes)
{
    WriteStore(BuildStore({{1, Catalog("5 0 R 9 0 R 12 0 R", "20")},
                           {5, Entry("aa01", 3)},
                           {9, Entry("0a0b0c", 4)},
                           {12, Entry("aa02", 5)}}));
    EXPECT_EQ(Install({"1a1b1c", "0a0b0c", "2a2b2c"}), kInstalledLines);
    EXPECT_EQ(mErr.str(), "");
    ExpectInstalled("two-added-to-three.acrodata");
}

TEST_F(InstallCertificatesTest, EmptyEntriesReceiveAllCertificates)
{
    WriteStore(BuildStore({{1, Catalog("", "1000")}}));
    EXPECT_EQ(Install({"01", "02", "03", "04", "05", "06", "07", "08"}), kInstalledLines);
    ExpectInstalled("eight-added-to-empty.acrodata");
}

// Every kind of value an entry may hold comes through: names, reals, nested dictionaries and
// arrays, references to other entries and to objects outside Entries (copied once, cycles
// included), streams with their raw data, direct items in Entries, and keys of the catalog
// dictionaries that the rewrite does not write itself.
TEST_F(InstallCertificatesTest, CopiesEveryKindOfValueFaithfully)
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

TEST_F(InstallCertificatesTest, LiteralCertificateBecomesHexAndIsRecognised)
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
    std::string expectedNext;
};

TEST_F(InstallCertificatesTest, NewIdentifiersStartAtOneAndFollowNextIDAndEveryIdentifierInUse)
{
    const IdentifierCase cases[] = {
        {"NextID ahead", "50", "7", "50", "51"},
        {"NextID behind an entry", "5", "7", "8", "9"},
        {"NextID a real", "5.0", "7", "8", "9"},
        {"no NextID, no identifiers", "", "(x)", "1", "2"},
        {"NextID 0, no identifiers", "0", "(x)", "1", "2"},
        {"NextID and identifiers below 1", "-5", "-9", "1", "2"},
        {"no NextID, identifier 0", "", "0", "1", "2"},
        {"identifier a real", "3", "99.5", "3", "4"},
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
        EXPECT_NE(bytes.find("/NextID " + c.expectedNext + "\r\n"), std::string::npos);
    }
}

TEST_F(InstallCertificatesTest, AlreadyTrustedStoreIsLeftAsItIs)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0A0B0C", 1)}}));
    EXPECT_EQ(Install({"0a0b0c"}), "Certificates are already trusted\n");
    ExpectUntouched();
}

TEST_F(InstallCertificatesTest, SecondInstallFindsEverythingAndChangesNothing)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a", 1)}}));
    std::vector<CertificateRecord> records = Records({"0b", "0c"});
    ASSERT_EQ(Install(records), kInstalledLines);
    WriteStore(StoreBytes());
    EXPECT_EQ(Install(records), "Certificates are already trusted\n");
    ExpectUntouched();
}

// Another program (the reader application saving) rewrites the store after it was read and
// before the swap: its change is kept and the certificates still go in.
TEST_F(InstallCertificatesTest, ChangeMadeBeforeTheSwapIsKept)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa01", 3)}}));
    const std::string changed =
        BuildStore({{1, Catalog("2 0 R 3 0 R")}, {2, Entry("aa01", 3)}, {3, Entry("bb02", 4)}});
    int changes = 0;
    std::ostringstream out;
    std::vector<CertificateRecord> records = Records({"0a0b0c"});
    InstallCertificatesTo(mStore, mNewStore, records, out, mErr, [&]() {
        if (changes++ == 0) {
            TempFolder::WriteFile(mStore, changed);
        }
    });
    EXPECT_EQ(out.str(), "adding certificates\n"
                         "The store was changed by another program meanwhile; reading it again\n" +
                             kInstalledLines);
    std::vector<CertificateRecord> check = Records({"aa01", "bb02", "0a0b0c"});
    EXPECT_TRUE(ReadAddressBook(mStore, check));
    EXPECT_EQ(Flags(check), (std::vector<bool>{true, true, true}));
    EXPECT_FALSE(platform::PathExists(mNewStore));
    EXPECT_FALSE(platform::PathExists(mBackup));
}

// A sync or backup tool rewrites the store in place, keeps its size and puts its last write
// time back: the change is seen all the same, and kept.
TEST_F(InstallCertificatesTest, InPlaceChangeKeepingSizeAndWriteTimeIsKept)
{
    WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa01", 3)}}));
    const std::string changed = BuildStore({{1, Catalog("2 0 R")}, {2, Entry("cc03", 3)}});
    ASSERT_EQ(changed.size(), mOriginal.size());
    int changes = 0;
    std::ostringstream out;
    std::vector<CertificateRecord> records = Records({"0a0b0c"});
    InstallCertificatesTo(mStore, mNewStore, records, out, mErr, [&]() {
        if (changes++ == 0) {
            const fs::file_time_type written = fs::last_write_time(Utf8ToPath(mStore));
            std::fstream file(Utf8ToPath(mStore), std::ios::in | std::ios::out | std::ios::binary);
            file.write(changed.data(), static_cast<std::streamsize>(changed.size()));
            file.close();
            EXPECT_TRUE(file.good());
            fs::last_write_time(Utf8ToPath(mStore), written);
        }
    });
    EXPECT_EQ(out.str(), "adding certificates\n"
                         "The store was changed by another program meanwhile; reading it again\n" +
                             kInstalledLines);
    std::vector<CertificateRecord> check = Records({"aa01", "cc03", "0a0b0c"});
    EXPECT_TRUE(ReadAddressBook(mStore, check));
    EXPECT_EQ(Flags(check), (std::vector<bool>{false, true, true}));
}

TEST_F(InstallCertificatesTest, StoreChangedAtEveryPassIsLeftAsTheOtherProgramWroteIt)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    std::string written;
    int changes = 0;
    std::ostringstream out;
    std::vector<CertificateRecord> records = Records({"0a0b0c"});
    InstallCertificatesTo(mStore, mNewStore, records, out, mErr, [&]() {
        written = BuildStore({{1, Catalog("", std::string(3 + changes++, '2'))}});
        TempFolder::WriteFile(mStore, written);
    });
    EXPECT_EQ(out.str(),
              "adding certificates\n"
              "The store was changed by another program meanwhile; reading it again\n"
              "adding certificates\n"
              "The store keeps being changed by another program; it was left unchanged\n");
    EXPECT_EQ(StoreBytes(), written);
    EXPECT_FALSE(platform::PathExists(mNewStore));
    EXPECT_FALSE(platform::PathExists(mBackup));
}

// A "-new" found under the lock was left by a run that was stopped; a read-only one too.
TEST_F(InstallCertificatesTest, StoppedRunsNewStoreIsReplaced)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    TempFolder::WriteFile(mNewStore, "half a store");
    fs::permissions(Utf8ToPath(mNewStore), fs::perms(0444));
    EXPECT_EQ(Install({"0a0b0c"}), kInstalledLines);
    EXPECT_FALSE(platform::PathExists(mNewStore));
}

struct RefusedCase
{
    const char* what;
    std::string store;
    std::string line;
};

TEST_F(InstallCertificatesTest, StoresThatCannotBeCopiedFaithfullyStayUntouched)
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

// A folder at the new store's name is someone else's: it is not removed, nor written into.
TEST_F(InstallCertificatesTest, FolderAtTheNewStorePathLeavesStoreAlone)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    fs::create_directories(Utf8ToPath(mNewStore) / "content");
    EXPECT_EQ(Install({"bb"}), "Something other than a file is at " + mNewStore +
                                   "; the store was left unchanged\n");
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_TRUE(fs::is_directory(Utf8ToPath(mNewStore) / "content"));
    EXPECT_FALSE(platform::PathExists(mBackup));
}

TEST_F(InstallCertificatesTest, NewStoreThatDoesNotReadBackIsDiscarded)
{
    // A record that is not in the form certificates are kept in (upper-case digits) is written
    // but can never be found again: the read-back must catch that.
    WriteStore(BuildStore({{1, Catalog("")}}));
    EXPECT_EQ(Install({"0A"}), "adding certificates\nThe new store did not read back "
                               "correctly; the store was left unchanged\n");
    ExpectUntouched();
}

struct OldBackupCase
{
    const char* what;
    std::string backup;
    std::string line; // before the install's own lines
};

// A backup beside an existing store may hold the only copy of entries (a swap that could not
// put the old store back, then a fresh store made by the reader application): it is removed
// only when the store holds every certificate of it, and else kept under a free name.
TEST_F(InstallCertificatesTest, OldBackupIsRemovedOnlyWhenTheStoreHoldsAllOfIt)
{
    const std::string aside1 = mBackup + "-1";
    const std::string aside2 = mBackup + "-2";
    const std::string lacks =
        "Kept " + mBackup + " as " + aside1 + ": it holds entries the store lacks\n";
    const OldBackupCase cases[] = {
        {"the same entries", BuildStore({{1, Catalog("2 0 R")}, {2, Entry("AA 01", 3)}}), ""},
        {"no entries", BuildStore({{1, Catalog("")}}), ""},
        {"the certificate as a literal string",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert (\xaa\x01) >>"}}), ""},
        {"an entry the store lacks",
         BuildStore({{1, Catalog("2 0 R 3 0 R")}, {2, Entry("aa01", 3)}, {3, Entry("cc03", 4)}}),
         lacks},
        {"an entry without a certificate",
         BuildStore(
             {{1, Catalog("2 0 R 3 0 R")}, {2, Entry("aa01", 3)}, {3, "<< /ABEType 0 /ID 4 >>"}}),
         lacks},
        {"an entry that can't be read",
         BuildStore({{1, Catalog("2 0 R 9 0 R")}, {2, Entry("aa01", 3)}}),
         "Kept " + mBackup + " as " + aside1 + ": it can't be read in full as a store\n"},
        {"no store at all", "left by an earlier run",
         "Kept " + mBackup + " as " + aside1 + ": it can't be read in full as a store\n"},
    };
    for (const OldBackupCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteStore(BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa01", 3)}}));
        TempFolder::WriteFile(mBackup, c.backup);
        EXPECT_EQ(Install({"bb"}), c.line + kInstalledLines);
        EXPECT_FALSE(platform::PathExists(mBackup));
        EXPECT_EQ(platform::PathExists(aside1), !c.line.empty());
        if (!c.line.empty()) {
            EXPECT_EQ(TempFolder::ReadFile(aside1), c.backup);
            (void)platform::RemoveFile(aside1);
        }
        std::vector<CertificateRecord> records = Records({"aa01", "bb"});
        EXPECT_TRUE(ReadAddressBook(mStore, records));
        EXPECT_EQ(Flags(records), (std::vector<bool>{true, true}));
    }
    EXPECT_FALSE(platform::PathExists(aside2));
}

// Nothing already kept aside is ever overwritten: the next free number is taken.
TEST_F(InstallCertificatesTest, OldBackupGoesToTheFirstFreeName)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    TempFolder::WriteFile(mBackup, "the newest");
    TempFolder::WriteFile(mBackup + "-1", "an older one");
    fs::create_directory(Utf8ToPath(mBackup + "-2"));
    EXPECT_EQ(Install({"bb"}), "Kept " + mBackup + " as " + mBackup +
                                   "-3: it can't be read in full as a store\n" + kInstalledLines);
    EXPECT_EQ(TempFolder::ReadFile(mBackup + "-1"), "an older one");
    EXPECT_TRUE(fs::is_directory(Utf8ToPath(mBackup + "-2")));
    EXPECT_EQ(TempFolder::ReadFile(mBackup + "-3"), "the newest");
    EXPECT_FALSE(platform::PathExists(mBackup));
}

// Every numbered name taken: the backup is neither deleted nor written over, and the store
// waits for the names to be cleared.
TEST_F(InstallCertificatesTest, OldBackupWithoutAFreeNameLeavesStoreAlone)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    TempFolder::WriteFile(mBackup, "the newest");
    for (int number = 1; number <= 1000; ++number) {
        TempFolder::WriteFile(mBackup + "-" + std::to_string(number), "older");
    }
    EXPECT_EQ(Install({"bb"}), "Can't move " + mBackup +
                                   " aside: no free name up to -backup-1000; the store was left "
                                   "unchanged\n");
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_EQ(TempFolder::ReadFile(mBackup), "the newest");
    EXPECT_EQ(TempFolder::ReadFile(mBackup + "-1000"), "older");
    EXPECT_FALSE(platform::PathExists(mBackup + "-1001"));
    EXPECT_FALSE(platform::PathExists(mNewStore));
}

TEST_F(InstallCertificatesTest, FolderAtTheBackupPathLeavesStoreAlone)
{
    WriteStore(BuildStore({{1, Catalog("")}}));
    fs::create_directories(Utf8ToPath(mBackup) / "content");
    EXPECT_EQ(Install({"bb"}),
              "Something other than a file is at " + mBackup + "; the store was left unchanged\n");
    EXPECT_EQ(mErr.str(), "");
    EXPECT_EQ(StoreBytes(), mOriginal);
    EXPECT_FALSE(platform::PathExists(mNewStore));
    EXPECT_TRUE(fs::is_directory(Utf8ToPath(mBackup) / "content"));
}

TEST_F(InstallCertificatesTest, ThousandsOfEntriesAreCopiedInOrder)
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

} // namespace
