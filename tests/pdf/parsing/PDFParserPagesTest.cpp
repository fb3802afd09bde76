#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "PdfFileBuilder.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFParser.h"

namespace {

struct PageObject
{
    std::uint32_t number;
    std::string body;
};

// A document whose trailer names object 1 as catalog.
std::string Document(const std::vector<PageObject>& objects,
                     const std::string& trailer = "/Root 1 0 R")
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    for (const PageObject& object : objects) {
        builder.AddObject(object.number, 0, object.body);
    }
    builder.SetTrailerEntries(trailer);
    return builder.Build();
}

const std::vector<PageObject> kTwoLevelTree = {
    {1, "<< /Type /Catalog /Pages 2 0 R >>"},
    {2, "<< /Type /Pages /Count 4 /Kids [3 0 R 4 0 R] >>"},
    {3, "<< /Type /Pages /Count 2 /Kids [7 0 R 5 0 R] >>"},
    {4, "<< /Type /Pages /Count 2 /Kids [8 0 R 6 0 R] >>"},
    {5, "<< /Type /Page >>"},
    {6, "<< /Type /Page >>"},
    {7, "<< /Type /Page >>"},
    {8, "<< /Type /Page >>"},
};

} // namespace

TEST(PDFParserPagesTest, TwoLevelTreeListsPagesInDocumentOrder)
{
    MemoryReader reader(Document(kTwoLevelTree));
    PDFParser parser;
    ASSERT_EQ(parser.ParseDocument(&reader), Success);
    ASSERT_EQ(parser.PageCount(), 4u);
    EXPECT_EQ(parser.PageIDAt(0), 7u);
    EXPECT_EQ(parser.PageIDAt(1), 5u);
    EXPECT_EQ(parser.PageIDAt(2), 8u);
    EXPECT_EQ(parser.PageIDAt(3), 6u);
    EXPECT_EQ(parser.PageIDAt(4), 0u);
    EXPECT_EQ(parser.ParsePage(4), nullptr);
    PDFObjectCastPtr<PDFDictionary> page(parser.ParsePage(2));
    EXPECT_FALSE(page.IsNull());
}

TEST(PDFParserPagesTest, EncryptedDocumentSkipsBrokenTree)
{
    std::vector<PageObject> objects = {
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Count 1 /Kids [9 0 R] >>"},
        {3, "<< /Filter /Standard >>"},
    };
    MemoryReader reader(Document(objects, "/Root 1 0 R /Encrypt 3 0 R"));
    PDFParser parser;
    EXPECT_EQ(parser.ParseDocument(&reader), Success);
    EXPECT_TRUE(parser.HasEncryptDictionary());
    EXPECT_EQ(parser.PageCount(), 0u);
}

struct TreeFailureCase
{
    const char* what;
    std::vector<PageObject> objects;
    std::string trailer;
    std::string trace;
};

TEST(PDFParserPagesTest, BrokenTreesFailWithTrace)
{
    const TreeFailureCase cases[] = {
        {"no root reference",
         {{1, "<< >>"}},
         "/Root 1",
         "PDFParser::ParsePagesObjectIDs, failed to read catalog reference in trailer"},
        {"catalog not a dictionary",
         {{1, "[1]"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, failed to read catalog"},
        {"no pages",
         {{1, "<< /Type /Catalog >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, failed to read pages reference in catalog"},
        {"pages not a dictionary",
         {{1, "<< /Pages 2 0 R >>"}, {2, "5"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, failed to read pages"},
        {"no count",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Kids [] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, failed to read pages count"},
        {"negative count",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count -1 /Kids [] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, page count -1 is out of range, the file has 3 objects"},
        {"absurd count",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 4000000000 /Kids [] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesObjectIDs, page count 4000000000 is out of range, the file has 3 "
         "objects"},
        {"no type",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Count 0 >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, can't read object type"},
        {"wrong type",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Catalog /Count 0 >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, unexpected object type. should be either Page or Pages, "
         "found Catalog"},
        {"no kids",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 0 >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, unable to find page kids array"},
        {"direct kid",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 1 /Kids [<< /Type /Page >>] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, unexpected type for a Kids array object, type = Dictionary"},
        {"kid missing",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 1 /Kids [9 0 R] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, unable to parse page node object from kids reference"},
        {"zero count with a page",
         {{1, "<< /Pages 2 0 R >>"},
          {2, "<< /Type /Pages /Count 0 /Kids [3 0 R] >>"},
          {3, "<< /Type /Page >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, there are more pages than the page count specifies. fail."},
        {"kids lead back to the root",
         {{1, "<< /Pages 2 0 R >>"},
          {2, "<< /Type /Pages /Count 1 /Kids [3 0 R] >>"},
          {3, "<< /Type /Pages /Kids [2 0 R] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, page tree node 2 is reached twice, failing"},
        {"node is its own kid",
         {{1, "<< /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 1 /Kids [2 0 R] >>"}},
         "/Root 1 0 R",
         "PDFParser::ParsePagesIDs, page tree node 2 is reached twice, failing"},
    };
    for (const TreeFailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(Document(c.objects, c.trailer));
        PDFParser parser;
        TraceCapture trace;
        EXPECT_EQ(parser.ParseDocument(&reader), Failure);
        EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
        PDFObjectCastPtr<PDFDictionary> catalog(parser.ParseObjectByID(1));
        EXPECT_EQ(catalog.IsNull(), std::string(c.what) == "catalog not a dictionary");
    }
}

TEST(PDFParserPagesTest, DeepTreeIsStopped)
{
    std::vector<PageObject> objects = {{1, "<< /Pages 2 0 R >>"}};
    const std::uint32_t levels = 400;
    for (std::uint32_t n = 2; n < levels; ++n) {
        objects.push_back(
            {n, "<< /Type /Pages /Count 1 /Kids [" + std::to_string(n + 1) + " 0 R] >>"});
    }
    objects.push_back({levels, "<< /Type /Page >>"});
    MemoryReader reader(Document(objects));
    PDFParser parser;
    TraceCapture trace;
    EXPECT_EQ(parser.ParseDocument(&reader), Failure);
    EXPECT_TRUE(trace.Contains("PDFParser::ParsePagesIDs, page tree deeper than 256 levels, "
                               "failing"));
}

TEST(PDFParserPagesTest, PagesTheWalkDidNotReachAreNotHandedOut)
{
    std::vector<PageObject> objects = {
        {1, "<< /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Count 3 /Kids [3 0 R 4 0 R] >>"},
        {3, "<< /Type /Page >>"},
        {4, "<< /Type /Pages /Kids [9 0 R] >>"},
    };
    MemoryReader reader(Document(objects));
    PDFParser parser;
    EXPECT_EQ(parser.ParseDocument(&reader), Failure);
    EXPECT_EQ(parser.PageCount(), 3u);
    EXPECT_EQ(parser.PageIDAt(0), 3u);
    EXPECT_EQ(parser.PageIDAt(1), 0u);
    EXPECT_EQ(parser.ParsePage(1), nullptr);
}
