#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "PdfStreamFileBuilder.h"
#include "StoreFiles.h"
#include "TempFolder.h"
#include "installer/InstallCertificates.h"
#include "platform/Platform.h"

namespace {

const std::string kGoldenDir = INSTALLER_GOLDEN_DIR;

const std::string kInstalledLines = "adding certificates\n"
                                    "File successfully renamed\n"
                                    "File successfully renamed\n"
                                    "New certificates are succesfully installed Adobe's Trusted "
                                    "Certificates store.\n"
                                    "Newly added certificates are issued by Velmora.\n";

// The same store as the classic one in the rewriter's tests (Entries 5, 9, 12, NextID 20), laid
// out with the directories other writers use. Whatever the layout, the new store must be the
// same bytes: every entry comes through, in order, with the two missing certificates added.
struct LayoutCase
{
    const char* what;
    std::string bytes;
};

std::vector<LayoutCase> Layouts()
{
    const std::string catalog = Catalog("5 0 R 9 0 R 12 0 R", "20");
    std::vector<LayoutCase> cases;
    {
        PdfStreamFileBuilder builder;
        builder.AddObjectStream(
            20,
            {{1, catalog}, {5, Entry("aa01", 3)}, {9, Entry("0a0b0c", 4)}, {12, Entry("aa02", 5)}});
        builder.EndWithXrefStream(21, {}, "/Root 1 0 R");
        cases.push_back({"entries in an object stream, cross-reference stream", builder.Build()});
    }
    {
        PdfStreamFileBuilder::XrefStreamOptions options;
        options.predictorUp = true;
        options.useIndex = true;
        PdfStreamFileBuilder builder;
        builder.AddObject(1, 0, catalog);
        builder.AddObjectStream(20, {{5, Entry("aa01", 3)}, {9, Entry("0a0b0c", 4)}});
        builder.AddObject(12, 0, Entry("aa02", 5));
        builder.EndWithClassicTable("/Root 1 0 R", 21, options);
        cases.push_back({"hybrid table with /XRefStm and a predictor", builder.Build()});
    }
    {
        // An update appended later replaces entry 12 and the catalog; the older section is a
        // cross-reference stream, the newer one a classic table.
        PdfStreamFileBuilder builder;
        builder.AddObjectStream(20, {{1, Catalog("5 0 R 9 0 R", "20")},
                                     {5, Entry("aa01", 3)},
                                     {9, Entry("0a0b0c", 4)},
                                     {12, Entry("ffff", 9)}});
        builder.EndWithXrefStream(21, {}, "/Root 1 0 R");
        builder.AddObject(12, 0, Entry("aa02", 5));
        builder.AddObject(1, 0, catalog);
        builder.EndWithClassicTable("/Root 1 0 R");
        cases.push_back({"incremental update over a cross-reference stream", builder.Build()});
    }
    return cases;
}

TEST(CompressedStoreInstallTest, EveryDirectoryLayoutGivesTheSameNewStore)
{
    for (const LayoutCase& c : Layouts()) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string store = folder.PathOf("addressbook.acrodata");
        TempFolder::WriteFile(store, c.bytes);
        std::vector<CertificateRecord> records = Records({"1a1b1c", "0a0b0c", "2a2b2c"});
        std::ostringstream out;
        std::ostringstream err;
        InstallCertificatesTo(store, store + "-new", records, out, err);
        EXPECT_EQ(out.str(), kInstalledLines);
        EXPECT_EQ(err.str(), "");
        EXPECT_TRUE(MatchesGoldenFile(kGoldenDir + "/two-added-to-three.acrodata",
                                      MaskDocumentID(TempFolder::ReadFile(store))));
        EXPECT_FALSE(platform::PathExists(store + "-new"));
        EXPECT_FALSE(platform::PathExists(store + "-backup"));
    }
}

} // namespace
