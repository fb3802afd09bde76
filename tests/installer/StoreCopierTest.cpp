#include "installer/StoreCopier.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFiles.h"
#include "StoreInFolderTest.h"
#include "TempFolder.h"
#include "installer/AddressBookReader.h"
#include "pdf/io/IByteReader.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"

namespace {

using StoreCopierTest = StoreInFolderTest;

// An entry whose values PDF reads in its own way, listed three times among other entries,
// with a stream whose keyword has spaces and a tab before its end of line.
std::string StoreWithUnusualValues()
{
    return BuildStore(
        {{1, Catalog("2 0 R 3 0 R 2 0 R 2 0 R")},
         {2, "<< /ABEType 1 /Cert <0a0b0c> /ID 3 /Path (C:\\Users\\Name \\/ \\8) "
             "/Lines (a\r\nb\rc) "
             "/Reals [ 5. -0.0 0.0000001 1.2345678901234567 12345678901234567890.5 2.5 ] "
             "/Data 4 0 R >>"},
         {3, Entry("aa02", 4)},
         {4, "<< /Length 3 >>stream \t\r\nabc\r\nendstream"}});
}

TEST_F(StoreCopierTest, UnusualValuesAreWrittenSoThatTheyMeanTheSame)
{
    WriteStore(StoreWithUnusualValues());
    EXPECT_EQ(Install({"0a0b0c", "1a1b1c"}), kInstalledLines);
    ExpectInstalled("values-kept-in-meaning.acrodata");
}

TEST_F(StoreCopierTest, CopiedValuesReadBackAsTheOldOnesRead)
{
    WriteStore(StoreWithUnusualValues());
    ASSERT_EQ(Install({"1a1b1c"}), kInstalledLines);
    OpenedStore store;
    ASSERT_TRUE(store.Open(mStore));
    PDFObjectCastPtr<PDFDictionary> entry(store.parser.ParseObjectByID(2));
    ASSERT_FALSE(entry.IsNull());

    PDFObjectCastPtr<PDFLiteralString> path(entry->Lookup("Path"));
    PDFObjectCastPtr<PDFLiteralString> lines(entry->Lookup("Lines"));
    ASSERT_FALSE(path.IsNull());
    ASSERT_FALSE(lines.IsNull());
    EXPECT_EQ(path->GetValue(), "C:UsersName / 8");
    EXPECT_EQ(lines->GetValue(), "a\nb\nc");

    const double reals[] = {5.0, -0.0, 0.0000001, 1.2345678901234567, 12345678901234567890.5, 2.5};
    PDFObjectCastPtr<PDFArray> copied(entry->Lookup("Reals"));
    ASSERT_FALSE(copied.IsNull());
    ASSERT_EQ(copied->GetLength(), std::size(reals));
    for (std::uint32_t i = 0; i < copied->GetLength(); ++i) {
        SCOPED_TRACE(i);
        PDFObjectCastPtr<PDFReal> real(copied->GetItem(i));
        ASSERT_FALSE(real.IsNull());
        EXPECT_EQ(real->GetValue(), reals[i]);
        EXPECT_EQ(std::signbit(real->GetValue()), std::signbit(reals[i]));
    }

    PDFObjectCastPtr<PDFStreamInput> stream(
        store.parser.ResolveDictionaryEntry(entry.Get(), "Data"));
    ASSERT_FALSE(stream.IsNull());
    FilePosition length = 0;
    std::unique_ptr<IByteReader> data(store.parser.OpenStoredStreamData(stream.Get(), length));
    ASSERT_NE(data, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    EXPECT_EQ(data->Read(reinterpret_cast<Byte*>(bytes.data()), bytes.size()), 3u);
    EXPECT_EQ(bytes, "abc");
}

TEST_F(StoreCopierTest, EntryListedManyTimesIsCopiedOnce)
{
    constexpr std::uint32_t kListings = 20000;
    std::string listings;
    for (std::uint32_t i = 0; i < kListings; ++i) {
        listings += "2 0 R ";
    }
    WriteStore(BuildStore({{1, Catalog(listings)}, {2, Entry("0a0b0c", 1)}}));
    EXPECT_EQ(Install({"0a0b0c", "1a1b1c"}), kInstalledLines);
    // One copy of the entry: the new store is the old one plus one entry, not 20,000 copies.
    EXPECT_LT(StoreBytes().size(), mOriginal.size() + 1000);
    std::vector<CertificateRecord> records = Records({"0a0b0c", "1a1b1c"});
    AddressBookSummary summary;
    ASSERT_TRUE(ReadAddressBook(mStore, records, summary));
    EXPECT_EQ(summary.entryCount, kListings + 1);
    EXPECT_EQ(Flags(records), (std::vector<bool>{true, true}));
}

struct RefusedCase
{
    const char* what;
    std::string store;
    std::string line;
};

TEST_F(StoreCopierTest, ValuesWithoutAFaithfulCopyLeaveTheStoreUntouched)
{
    const std::string notCopyable = "adding certificates\nThe store holds a value that can't be "
                                    "copied; the store was left unchanged\n";
    const std::string unreadable = "adding certificates\nThe store refers to an object that "
                                   "can't be read; the store was left unchanged\n";
    const std::string hugeReal = std::string("1").append(400, '0').append(".5");
    const RefusedCase cases[] = {
        {"integer beyond 64 bits in an entry",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /Big 99999999999999999999 >>"}}),
         notCopyable},
        {"integer beyond 64 bits as V",
         BuildStore({{1, "<< /PPK << /AddressBook << /Entries [ ] /NextID 3 >> "
                         "/V 99999999999999999999 >> >>"}}),
         notCopyable},
        {"NextID beyond 64 bits", BuildStore({{1, Catalog("", "99999999999999999999")}}),
         "adding certificates\nThe store has no entry identifiers left; the store was left "
         "unchanged\n"},
        {"hexadecimal string with stray bytes",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /H [ <41/N42> ] >>"}}), notCopyable},
        {"reference beyond 32-bit object numbers in an object a value refers to",
         BuildStore(
             {{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /S 3 0 R >>"}, {3, "[ 4294967298 0 R ]"}}),
         unreadable},
        {"NextID in an object that cannot be read", BuildStore({{1, Catalog("", "9 0 R")}}),
         unreadable},
        {"NextID a reference beyond 32-bit object numbers",
         BuildStore({{1, Catalog("", "4294967299 0 R")}}), unreadable},
        {"real beyond the range of doubles",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /R [ " + hugeReal + " ] >>"}}),
         notCopyable},
        {"stream data longer than its length",
         BuildStore({{1, Catalog("2 0 R")},
                     {2, "<< /Cert <aa> /S 3 0 R >>"},
                     {3, "<< /Length 3 >>\r\nstream\r\nabcdef\r\nendstream"}}),
         unreadable},
        {"stream data 9 bytes shorter than its length",
         BuildStore({{1, Catalog("2 0 R")},
                     {2, "<< /Cert <aa> /S 3 0 R >>"},
                     {3, "<< /Length 12 >>\r\nstream\r\nabc\r\nendstream"}}),
         unreadable},
        {"stream keyword followed by data on its own line",
         BuildStore({{1, Catalog("2 0 R")},
                     {2, "<< /Cert <aa> /S 3 0 R >>"},
                     {3, "<< /Length 3 >>stream abc\r\nendstream"}}),
         unreadable},
        {"reference of another generation in a value",
         BuildStore({{1, Catalog("2 0 R")}, {2, "<< /Cert <aa> /S 3 1 R >>"}, {3, "(x)"}}),
         unreadable},
        {"encrypted store",
         BuildStore({{1, Catalog("2 0 R")}, {2, Entry("aa", 1)}},
                    "/Root 1 0 R /Encrypt << /Filter /Standard /V 2 /R 3 >>"),
         "Can't parse addressbook\n"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteStore(c.store);
        EXPECT_EQ(Install({"bb"}), c.line);
        ExpectUntouched();
    }
}

} // namespace
