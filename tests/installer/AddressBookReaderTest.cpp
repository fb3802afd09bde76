#include "installer/AddressBookReader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFiles.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "pdf/io/InputFile.h"
#include "pdf/io/OutputStringBufferStream.h"
#include "pdf/io/TraceLog.h"

namespace {

const std::vector<std::string> kCerts = {"0a0b0c", "1a1b1c", "2a2b2c"};

struct ReadCase
{
    const char* what;
    StoreObjects objects;
    std::vector<bool> expectedFlags;
    std::uint32_t expectedEntries;
};

const ReadCase kReadableStores[] = {
    {"lower-case hex certificate",
     {{1, Catalog("2 0 R")}, {2, Entry("1a1b1c", 1)}},
     {false, true, false},
     1},
    {"upper-case hex digits and white space mean the same bytes",
     {{1, Catalog("2 0 R 3 0 R")}, {2, Entry("0A0B0C", 1)}, {3, Entry("2a 2b\r\n2C", 2)}},
     {true, false, true},
     2},
    {"odd digit count ends with an implied zero",
     {{1, Catalog("2 0 R")}, {2, Entry("1a1b1", 1)}},
     {false, false, false},
     1},
    {"literal certificate with octal escapes",
     {{1, Catalog("2 0 R")}, {2, "<< /ABEType 1 /Cert (\\n\\013\\f) /ID 4 >>"}},
     {true, false, false},
     1},
    {"literal certificate with a line end and unknown escapes, read as PDF reads them",
     {{1, Catalog("2 0 R 3 0 R")},
      {2, "<< /Cert (\r\n\\013\\f) >>"},
      {3, "<< /Cert (\\\x1a\\\x1b\\\x1c) >>"}},
     {true, true, false},
     2},
    {"an entry listed several times is one entry",
     {{1, Catalog("2 0 R 2 0 R 2 0 R")}, {2, Entry("2a2b2c", 1)}},
     {false, false, true},
     3},
    {"literal certificate with raw bytes",
     {{1, Catalog("2 0 R")}, {2, "<< /Cert (\x1a\x1b\x1c) >>"}},
     {false, true, false},
     1},
    {"groupings, sources and other keys are passed over",
     {{1, Catalog("2 0 R 3 0 R")},
      {2, "<< /ABEType 2 /Entries [ 1 2 ] /Name (EU Trusted List) /ID 9 >>"},
      {3, "<< /ABEType 1 /Cert <2a2b2c> /Source [ (AATL) (EUTL) ] /Policy << /OID (1.2) >> >>"}},
     {false, false, true},
     2},
    {"a certificate held as a name or a number is no certificate",
     {{1, Catalog("2 0 R 3 0 R")}, {2, "<< /Cert /0a0b0c >>"}, {3, "<< /Cert 1 >>"}},
     {false, false, false},
     2},
    {"a direct entry counts; numbers and null in Entries are passed over",
     {{1, Catalog("<< /Cert <0a0b0c> >> 17 null 2 0 R")}, {2, Entry("2a2b2c", 1)}},
     {true, false, true},
     4},
    {"a Cert held in an object of its own counts through it; no further reference is followed",
     {{1, Catalog("2 0 R 3 0 R")},
      {2, "<< /Cert 4 0 R >>"},
      {3, "<< /Cert 5 0 R >>"},
      {4, "(\x1a\x1b\x1c)"},
      {5, "6 0 R"},
      {6, "<0a0b0c>"}},
     {false, true, false},
     2},
    {"empty Entries", {{1, Catalog("")}}, {false, false, false}, 0},
    {"one certificate in two entries",
     {{1, Catalog("2 0 R 3 0 R")}, {2, Entry("0a0b0c", 1)}, {3, Entry("0a0b0c", 2)}},
     {true, false, false},
     2},
    {"catalog found through the trailer's Root",
     {{1, "<< /Unrelated true >>"}, {7, Catalog("2 0 R")}, {2, Entry("0a0b0c", 1)}},
     {true, false, false},
     1},
};

TEST(AddressBookReaderTest, ReadsRealShapedStores)
{
    TempFolder folder;
    for (const ReadCase& c : kReadableStores) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.PathOf("addressbook.acrodata");
        std::string trailer = "/Root 1 0 R";
        if (c.objects.size() > 1 && c.objects[1].first == 7) {
            trailer = "/Root 7 0 R";
        }
        TempFolder::WriteFile(path, BuildStore(c.objects, trailer));
        std::vector<CertificateRecord> records = Records(kCerts);
        AddressBookSummary summary;
        EXPECT_TRUE(ReadAddressBook(path, records, summary));
        EXPECT_EQ(Flags(records), c.expectedFlags);
        EXPECT_EQ(summary.entryCount, c.expectedEntries);
    }
}

TEST(AddressBookReaderTest, EqualRecordsAreBothMarked)
{
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    TempFolder::WriteFile(path, BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a0b0c", 1)}}));
    std::vector<CertificateRecord> records = Records({"0a0b0c", "ffff", "0a0b0c"});
    ASSERT_TRUE(ReadAddressBook(path, records));
    EXPECT_EQ(Flags(records), (std::vector<bool>{true, false, true}));
}

// Every "Cert" text against every certificate text of the list: a record is marked exactly
// when the text, normalized, equals it. The texts include forms only the normalizing path can
// match (case, white space, an odd digit count) and certificate texts that are not in normal
// form, which no normalized text can equal unless they hold other characters.
TEST(AddressBookReaderTest, MarksExactlyTheRecordsTheNormalizedTextEquals)
{
    const std::vector<std::string> certTexts = {"0a0b0c", "0A0B0C", "abc0",     "abc",
                                                "",       "zz",     "0a0b0c0d", "0a"};
    const std::vector<std::string> storeTexts = {
        "0a0b0c", "0A0B0C", " 0a 0b\r\n0c ", "0a0b0",    "0a0b0c0", "ABC", "abc", "ab c0",
        "",       "zz",     "Z z",           "0a0b0c0d", "0a0b",    "0a0", "0A"};
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    for (const std::string& text : storeTexts) {
        SCOPED_TRACE("<" + text + ">");
        // The store holds the text between the angle brackets as it is, escapes included.
        std::string raw;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                raw.push_back(text[i + 1] == 'r' ? '\r' : '\n');
                ++i;
            } else {
                raw.push_back(text[i]);
            }
        }
        TempFolder::WriteFile(path, BuildStore({{1, Catalog("2 0 R")}, {2, Entry(raw, 1)}}));
        std::vector<CertificateRecord> records = Records(certTexts);
        ASSERT_TRUE(ReadAddressBook(path, records));
        std::vector<bool> expected;
        for (const std::string& cert : certTexts) {
            expected.push_back(NormalizeHexCertificate(raw) == cert);
        }
        EXPECT_EQ(Flags(records), expected);
    }
}

TEST(AddressBookReaderTest, LiteralCertificatesMatchOnlyLowerCaseEvenTexts)
{
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    TempFolder::WriteFile(path, BuildStore({{1, Catalog("2 0 R 3 0 R")},
                                            {2, "<< /Cert (\n\013\f) >>"},
                                            {3, "<< /Cert () >>"}}));
    // Only the hexadecimal form of the bytes counts: not its upper-case spelling, not a
    // prefix, not an odd text, and an empty literal matches an empty certificate text.
    std::vector<CertificateRecord> records =
        Records({"0A0B0C", "0a0b0c", "0a0b", "0a0b0c0", "", "0a0b0c"});
    ASSERT_TRUE(ReadAddressBook(path, records));
    EXPECT_EQ(Flags(records), (std::vector<bool>{false, true, false, false, true, true}));
}

// A store larger than the reader's buffer, with entries listed out of file order: objects are
// reached by moving forward inside the buffer, forward past it and backward, and each must be
// the object asked for.
TEST(AddressBookReaderTest, ReadsEntriesInAnyOrderAcrossALargeStore)
{
    constexpr int kEntries = 400;
    const std::string filler(1500, 'e'); // each entry about 1.6 KB, the store about 640 KB
    StoreObjects objects;
    std::string references;
    for (int k = 0; k < kEntries; ++k) {
        // 2, 401, 3, 400, ...: alternately far ahead and far behind the previous one
        const int listed = k % 2 == 0 ? 2 + k / 2 : kEntries + 1 - k / 2;
        references += std::to_string(listed) + " 0 R ";
    }
    objects.emplace_back(1, Catalog(references));
    for (int number = 2; number < kEntries + 2; ++number) {
        const std::string hex = number == 300 ? "1a1b1c" : filler + std::to_string(number % 10);
        objects.emplace_back(number, Entry(hex, number));
    }
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    TempFolder::WriteFile(path, BuildStore(objects));
    std::vector<CertificateRecord> records = Records(kCerts);
    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(path, records, summary));
    EXPECT_EQ(Flags(records), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(summary.entryCount, static_cast<std::uint32_t>(kEntries));
    EXPECT_EQ(summary.referenceCount, static_cast<std::uint32_t>(kEntries));
    EXPECT_EQ(summary.largestID, kEntries + 1);
}

TEST(AddressBookReaderTest, EachStoreIsJudgedOnItsOwn)
{
    TempFolder folder;
    const std::string first = folder.PathOf("first");
    const std::string second = folder.PathOf("second");
    TempFolder::WriteFile(first, BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a0b0c", 1)}}));
    TempFolder::WriteFile(second, BuildStore({{1, Catalog("2 0 R")}, {2, Entry("1a1b1c", 1)}}));
    std::vector<CertificateRecord> records = Records(kCerts);
    const std::string third = folder.PathOf("third");
    TempFolder::WriteFile(third, BuildStore({{1, Catalog("")}}));
    ASSERT_TRUE(ReadAddressBook(first, records));
    EXPECT_EQ(Flags(records), (std::vector<bool>{true, false, false}));
    ASSERT_TRUE(ReadAddressBook(second, records));
    EXPECT_EQ(Flags(records), (std::vector<bool>{false, true, false}));
    ASSERT_TRUE(ReadAddressBook(third, records));
    EXPECT_EQ(Flags(records), (std::vector<bool>{false, false, false}));
}

TEST(AddressBookReaderTest, LargestIntegerIdentifierIsReported)
{
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    TempFolder::WriteFile(path, BuildStore({{1, Catalog("2 0 R 3 0 R 4 0 R")},
                                            {2, Entry("00", 41)},
                                            {3, "<< /ID 7.5 >>"},
                                            {4, Entry("01", -3)}}));
    std::vector<CertificateRecord> records;
    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(path, records, summary));
    EXPECT_EQ(summary.largestID, 41);
    EXPECT_EQ(summary.referenceCount, 3u);
    // Held directly in Entries, or in an object of its own, an identifier is one all the same.
    TempFolder::WriteFile(
        path, BuildStore({{1, Catalog("2 0 R << /ID 50 >>")}, {2, "<< /ID 3 0 R >>"}, {3, "60"}}));
    ASSERT_TRUE(ReadAddressBook(path, records, summary));
    EXPECT_EQ(summary.largestID, 60);
}

TEST(AddressBookReaderTest, ThousandsOfEntries)
{
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata");
    StoreObjects objects;
    std::string entries;
    constexpr std::uint32_t kCount = 3000;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        entries += std::to_string(i + 2) + " 0 R ";
        char hex[16];
        std::snprintf(hex, sizeof(hex), "%08x", i);
        objects.emplace_back(i + 2, Entry(hex, i));
    }
    objects.insert(objects.begin(), {1, Catalog(entries)});
    TempFolder::WriteFile(path, BuildStore(objects));
    std::vector<CertificateRecord> records = Records({"00000bb7", "00000bb8", "00000000"});
    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(path, records, summary));
    EXPECT_EQ(Flags(records), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(summary.entryCount, kCount);
}

struct UnreadableCase
{
    const char* what;
    std::string bytes;
};

std::vector<UnreadableCase> UnreadableStores()
{
    const std::string good = BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a0b0c", 1)}});
    return {
        {"empty file", ""},
        {"garbage", "\x01\x02 this is not a store at all \xff"},
        {"a PDF file", BuildStore({{1, Catalog("")}}).replace(0, 12, "%PDF-1.7    ")},
        {"truncated before the table", good.substr(0, good.size() / 2)},
        {"no catalog", BuildStore({{2, Entry("0a0b0c", 1)}}, "")},
        {"catalog without PPK", BuildStore({{1, "<< /Type /Catalog >>"}})},
        {"PPK without V", BuildStore({{1, "<< /PPK << /AddressBook << /Entries [ ] >> >> >>"}})},
        {"PPK without AddressBook", BuildStore({{1, "<< /PPK << /V 1 >> >>"}})},
        {"AddressBook without Entries",
         BuildStore({{1, "<< /PPK << /V 1 /AddressBook << /NextID 1 >> >> >>"}})},
        {"catalog is not a dictionary", BuildStore({{1, "[ /PPK ]"}})},
        {"PPK is a reference", BuildStore({{1, "<< /PPK 2 0 R >>"}, {2, "<< /V 1 >>"}})},
        {"AddressBook is an array", BuildStore({{1, "<< /PPK << /V 1 /AddressBook [ ] >> >>"}})},
        {"Entries is a dictionary",
         BuildStore({{1, "<< /PPK << /V 1 /AddressBook << /Entries << >> >> >> >>"}})},
        {"entry reference leads nowhere",
         BuildStore({{1, Catalog("2 0 R 9 0 R")}, {2, Entry("0a0b0c", 1)}})},
        {"entry is not a dictionary", BuildStore({{1, Catalog("2 0 R")}, {2, "[ 1 2 ]"}})},
        {"a Cert held in an object that cannot be read",
         BuildStore({{1, Catalog("<< /Cert 9 0 R >>")}})},
        {"an ID held in an object that cannot be read",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /ID 2 5 R >>"}})},
        {"entry reference of another generation",
         BuildStore({{1, Catalog("2 0 R 2 1 R")}, {2, Entry("0a0b0c", 1)}})},
        {"encrypted store", BuildStore({{1, Catalog("2 0 R")}, {2, Entry("0a0b0c", 1)}},
                                       "/Root 1 0 R /Encrypt << /Filter /Standard /V 2 /R 3 >>")},
    };
}

TEST(AddressBookReaderTest, UnreadableStoresGiveFalseAndStayUntouched)
{
    TempFolder folder;
    for (const UnreadableCase& c : UnreadableStores()) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.PathOf("addressbook.acrodata");
        TempFolder::WriteFile(path, c.bytes);
        std::vector<CertificateRecord> records = Records(kCerts);
        EXPECT_FALSE(ReadAddressBook(path, records));
        EXPECT_EQ(TempFolder::ReadFile(path), c.bytes);
    }
}

TEST(AddressBookReaderTest, MissingFileGivesFalse)
{
    TempFolder folder;
    std::vector<CertificateRecord> records = Records(kCerts);
    EXPECT_FALSE(ReadAddressBook(folder.PathOf("absent"), records));
}

TEST(AddressBookReaderTest, NormalizesHexLikePdfStrings)
{
    EXPECT_EQ(NormalizeHexCertificate("0A b\tC\r\nd"), "0abcd0");
    EXPECT_EQ(NormalizeHexCertificate(""), "");
    EXPECT_EQ(NormalizeHexCertificate("zz"), "zz");
}

TEST(AddressbookParserTest, HeaderCheckKeepsTheVersionAndTracesForeignHeaders)
{
    TempFolder folder;
    struct HeaderCase
    {
        const char* header;
        bool accepted;
        const char* trace;
    };
    const HeaderCase cases[] = {
        {"%PPKLITE-2.1", true, ""},
        {"%PDF-1.7", false,
         "PDFParser::ParseHeaderLine, file does not begin as a PDF file. a PDF file should start "
         "with \"%PDF-\". file header = %PDF-1.7"},
        {"", false,
         "PDFParser::ParseHeaderLine, no tokens in PDF input. in other words - it's "
         "empty."},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.header);
        const std::string path = folder.PathOf("store");
        TempFolder::WriteFile(path, std::string(c.header));
        OpenedStore store;
        TraceCapture capture;
        ASSERT_TRUE(store.Open(path));
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(store.parser.HeaderVersion(), 2.1);
        } else {
            EXPECT_NE(capture.Text().find(c.trace), std::string::npos) << capture.Text();
        }
    }
}

} // namespace
