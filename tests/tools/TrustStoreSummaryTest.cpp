#include "tools/pdf-dump/TrustStoreSummary.h"

#include <string>

#include <gtest/gtest.h>

#include "DumpTestSupport.h"
#include "GoldenFile.h"
#include "PdfFileBuilder.h"
#include "TempFolder.h"

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
                           "ID 1  ABEType 1  Trust 8190  MD5 5d41402abc4b2a76b9719d911017c592"
                           "  Expires -  Subject -\n"
                           "ID 2  ABEType 1  Trust 2  MD5 5d41402abc4b2a76b9719d911017c592"
                           "  Expires -  Subject -\n"
                           "ID 3  ABEType 2  Trust -  MD5 -  Expires -  Subject -\n");
}

TEST(TrustStoreSummaryTest, OddItemsGetALineInsteadOfFailing)
{
    PdfFileBuilder builder = StoreWithEntries("5 << /ID 1 >> 7 0 R 2 0 R 2 5 R 6 0 R");
    builder.AddObject(2, 0, "<< /ID (text) /Trust 1.5 /Cert 12 >>")
        .AddObject(6, 0, "<< /Cert 9 0 R /ID 8 0 R /Trust 8 0 R >>")
        .AddObject(8, 0, "41")
        .AddObject(9, 0, "<68656C6C6F>");
    const SummaryResult result = Summarize(builder);
    ASSERT_EQ(result.status, Success) << result.error;
    EXPECT_EQ(result.text, "Trust store: store.acrodata\n"
                           "Header version: 2.1\n"
                           "Entries: 6\n"
                           "(an item that is not a reference)\n"
                           "ID 1  ABEType -  Trust -  MD5 -  Expires -  Subject -\n"
                           "(object 7 is missing or not a dictionary)\n"
                           "ID -  ABEType -  Trust -  MD5 -  Expires -  Subject -\n"
                           "(object 2 is missing or not a dictionary)\n"
                           // Cert and ID through their objects, as the installer judges them.
                           "ID 41  ABEType -  Trust -  MD5 5d41402abc4b2a76b9719d911017c592"
                           "  Expires -  Subject -\n");
}

TEST(TrustStoreSummaryTest, CatalogIsFoundAsTheInstallerFindsIt)
{
    const std::string head = "Trust store: store.acrodata\nHeader version: 2.1\n";
    const std::string first = "ID 7  ABEType 1  Trust 96  MD5 -  Expires -  Subject -\n";
    const std::string second = "ID 8  ABEType 3  Trust 2  MD5 -  Expires -  Subject -\n";
    struct Case
    {
        const char* what;
        const char* root;
        std::string text;
    };
    const Case cases[] = {
        {"/Root names object 2, not object 1", "/Root 2 0 R",
         head + "Entries: 2\n" + first + second},
        {"/Root leads to no dictionary: object 1", "/Root 9 0 R", head + "Entries: 1\n" + first},
        {"no /Root: object 1", "", head + "Entries: 1\n" + first},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Object 1 looks like a catalog too; the installer takes the one /Root names.
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0, "<< /PPK << /V 1 /AddressBook << /Entries [3 0 R] >> >> >>")
            .AddObject(2, 0, "<< /PPK << /V 1 /AddressBook << /Entries [3 0 R 4 0 R] >> >> >>")
            .AddObject(3, 0, "<< /ID 7 /ABEType 1 /Trust 96 >>")
            .AddObject(4, 0, "<< /ID 8 /ABEType 3 /Trust 2 >>")
            .SetTrailerEntries(c.root);
        const SummaryResult result = Summarize(builder);
        ASSERT_EQ(result.status, Success) << result.error;
        EXPECT_EQ(result.text, c.text);
    }
}

// Hexadecimal text of a file's bytes, upper-case digits when asked: the store may hold either.
std::string FileAsHex(const std::string& path, bool upperCase)
{
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string hex;
    for (const char c : TempFolder::ReadFile(path)) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

TEST(TrustStoreSummaryTest, CertificatesAreNamedWithSubjectAndExpiryDate)
{
    const char* files[] = {"NorvSigningCA.crt",   "TesselTimeStampingCA.crt", "NorvESealCA.crt",
                           "NorvSigningCAG2.crt", "TimeStampingCA2.crt",      "NorvESealCA_2.crt",
                           "NorvESealCAG2.crt",   "NorvTrustRootCAG2.crt"};
    PdfFileBuilder builder =
        StoreWithEntries("2 0 R 3 0 R 4 0 R 5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 10 0 R");
    std::uint32_t number = 2;
    for (const char* file : files) {
        const std::string hex =
            FileAsHex(std::string(CERTIFICATE_EXAMPLES) + "/" + file, number % 2 == 1);
        builder.AddObject(number, 0,
                          "<< /ABEType 1 /Cert <" + hex + "> /ID " + std::to_string(number - 1) +
                              " /Trust 96 >>");
        ++number;
    }
    // A store entry whose bytes are no certificate: the first certificate cut short.
    const std::string cut = FileAsHex(std::string(CERTIFICATE_EXAMPLES) + "/" + files[0], false);
    builder.AddObject(10, 0,
                      "<< /ABEType 1 /Cert <" + cut.substr(0, cut.size() - 2) + "> /ID 9 >>");
    const SummaryResult result = Summarize(builder);
    ASSERT_EQ(result.status, Success) << result.error;
    EXPECT_TRUE(MatchesGoldenFile(std::string(SUMMARY_GOLDEN_DIR) + "/example-authorities.txt",
                                  result.text));
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
        {"PPK without V", "%PPKLITE-2.1", "<< /PPK << /AddressBook << /Entries [] >> >> >>",
         "the catalog has no"},
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
