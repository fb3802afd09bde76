#include "tools/pdf-dump/TrustStoreSummary.h"

#include <string>

#include <gtest/gtest.h>

#include "DumpTestSupport.h"
#include "PdfFileBuilder.h"

namespace {

struct SummaryResult
{
    StatusCode status = Failure;
    std::string text;
    std::string error;
};

SummaryResult Summarize(PdfFileBuilder& builder)
{
    OpenedDocument document(builder.Build());
    SummaryResult result;
    result.status =
        SummarizeTrustStore(document.parser, "store.acrodata", result.text, result.error);
    return result;
}

PdfFileBuilder StoreWithEntries(const std::string& entries)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0,
                      "<< /PPK << /V 65537 /AddressBook << /Entries [" + entries +
                          "] /NextID 9 >> >> /Type /Catalog >>");
    builder.SetTrailerEntries("/Root 1 0 R");
    return builder;
}

TEST(TrustStoreSummaryTest, ListsEveryEntryWithFingerprintOfCertificateBytes)
{
    PdfFileBuilder builder = StoreWithEntries("2 0 R 3 0 R 4 0 R");
    // "hello" three ways: hexadecimal (either case), literal; MD5 5d41402a...
    builder.AddObject(2, 0, "<< /ID 1 /ABEType 1 /Trust 8190 /Cert <68656C6C6F> >>")
        .AddObject(3, 0, "<< /ID 2 /ABEType 1 /Trust 2 /Cert (hello) >>")
        .AddObject(4, 0, "<< /ID 3 /ABEType 2 >>");
    const SummaryResult result = Summarize(builder);
    ASSERT_EQ(result.status, Success) << result.error;
    EXPECT_EQ(result.text, "Trust store: store.acrodata\n"
                           "Header version: 2.1\n"
                           "Entries: 3\n"
                           "ID 1  ABEType 1  Trust 8190  MD5 5d41402abc4b2a76b9719d911017c592\n"
                           "ID 2  ABEType 1  Trust 2  MD5 5d41402abc4b2a76b9719d911017c592\n"
                           "ID 3  ABEType 2  Trust -  MD5 -\n");
}

TEST(TrustStoreSummaryTest, OddItemsGetALineInsteadOfFailing)
{
    PdfFileBuilder builder = StoreWithEntries("5 << /ID 1 >> 7 0 R 2 0 R");
    builder.AddObject(2, 0, "<< /ID (text) /Trust 1.5 /Cert 12 >>");
    const SummaryResult result = Summarize(builder);
    ASSERT_EQ(result.status, Success) << result.error;
    EXPECT_EQ(result.text, "Trust store: store.acrodata\n"
                           "Header version: 2.1\n"
                           "Entries: 4\n"
                           "(an item that is not a reference)\n"
                           "(an item that is not a reference)\n"
                           "(object 7 is missing or not a dictionary)\n"
                           "ID -  ABEType -  Trust -  MD5 -\n");
}

TEST(TrustStoreSummaryTest, EmptyStoreHasNoEntryLines)
{
    PdfFileBuilder builder = StoreWithEntries("");
    const SummaryResult result = Summarize(builder);
    ASSERT_EQ(result.status, Success);
    EXPECT_EQ(result.text, "Trust store: store.acrodata\nHeader version: 2.1\nEntries: 0\n");
}

TEST(TrustStoreSummaryTest, RefusesFilesThatAreNotStores)
{
    struct Case
    {
        const char* what;
        const char* header;
        const char* catalog;
        const char* errorStart;
    };
    const Case cases[] = {
        {"PDF header", "%PDF-1.7", "<< /PPK << /AddressBook << /Entries [] >> >> >>",
         "not a trust store"},
        {"catalog not a dictionary", "%PPKLITE-2.1", "[1 2]", "object 1"},
        {"no PPK", "%PPKLITE-2.1", "<< /Type /Catalog >>", "the catalog has no"},
        {"PPK by reference", "%PPKLITE-2.1", "<< /PPK 1 0 R >>", "the catalog has no"},
        {"no AddressBook", "%PPKLITE-2.1", "<< /PPK << /V 1 >> >>", "the catalog has no"},
        {"Entries not an array", "%PPKLITE-2.1", "<< /PPK << /AddressBook << /Entries 3 >> >> >>",
         "the catalog has no"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PdfFileBuilder builder(c.header);
        builder.AddObject(1, 0, c.catalog).SetTrailerEntries("/Root 1 0 R");
        const SummaryResult result = Summarize(builder);
        EXPECT_EQ(result.status, Failure);
        EXPECT_EQ(result.error.rfind(c.errorStart, 0), 0u) << result.error;
    }
}

} // namespace
