#include "pdf/writing/DocumentContext.h"

#include <string>

#include <gtest/gtest.h>

#include "WritingTestDoubles.h"
#include "pdf/writing/MD5Generator.h"
#include "pdf/writing/ObjectsContext.h"

namespace {

class DocumentContextTest : public ::testing::Test
{
protected:
    DocumentContextTest()
    {
        objects.SetOutputStream(&output);
        document.SetObjectsContext(&objects);
    }

    MemoryWriter output;
    ObjectsContext objects;
    DocumentContext document;
};

TEST_F(DocumentContextTest, HeaderLineFollowsTheVersion)
{
    const std::string binary = "\x25\xBD\xBE\xBC\r\n";
    const struct
    {
        int version;
        std::string header;
    } cases[] = {
        {10, "%PDF-1.0\r\n"},
        {11, "%PDF-1.1\r\n"},
        {12, "%PDF-1.2\r\n"},
        {13, "%PDF-1.3\r\n"},
        {14, "%PDF-1.4\r\n"},
        {15, "%PDF-1.5\r\n"},
        {16, "%PDF-1.6\r\n"},
        {17, "%PDF-1.7\r\n"},
        {18, "%PDF-1.7\r\n"},
        {19, ""},
        {20, ""},
        {21, "%PPKLITE-2.1\r\n"},
        {9, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        output.mBytes.clear();
        ASSERT_EQ(document.WriteHeader(static_cast<PDFVersion>(c.version)), Success);
        EXPECT_EQ(output.mBytes, c.header + binary);
    }
}

TEST_F(DocumentContextTest, HeaderWithoutObjectsContextFails)
{
    DocumentContext detached;
    EXPECT_EQ(detached.WriteHeader(PPKLiteVersion21), Failure);
}

TEST_F(DocumentContextTest, DocumentIDIsTheDigestOfDatePathPositionAndTrapped)
{
    document.SetDocumentIDDateString("D:20240102030405Z");
    document.SetOutputFilePath("C:\\store\\addressbook.acrodata-new");
    output.mBytes.assign(1234, ' ');

    MD5Generator md5;
    md5.Accumulate("D:20240102030405Z");
    md5.Accumulate("C:\\store\\addressbook.acrodata-new");
    md5.Accumulate("1234");
    md5.Accumulate("Unknown");
    EXPECT_EQ(document.ComputeDocumentID(), md5.FinalizeToHexString());
}

TEST_F(DocumentContextTest, DocumentIDChangesWithEachItem)
{
    document.SetDocumentIDDateString("D:20240102030405Z");
    const std::string base = document.ComputeDocumentID();
    output.mBytes.push_back('x');
    const std::string moved = document.ComputeDocumentID();
    document.SetOutputFilePath("other");
    const std::string renamed = document.ComputeDocumentID();
    document.SetDocumentIDDateString("D:20240102030406Z");
    const std::string later = document.ComputeDocumentID();
    EXPECT_NE(base, moved);
    EXPECT_NE(moved, renamed);
    EXPECT_NE(renamed, later);
}

TEST_F(DocumentContextTest, CleanupEmptiesTheDocumentState)
{
    document.SetDocumentIDDateString("fixed");
    document.SetOutputFilePath("path");
    document.GetTrailerInformation().mPrev = 99;
    document.GetTrailerInformation().mInfoDictionary.Title.push_back('t');
    document.Cleanup();
    EXPECT_EQ(document.GetTrailerInformation().mPrev, 0);
    EXPECT_TRUE(document.GetTrailerInformation().mInfoDictionary.IsEmpty());

    MD5Generator md5; // no fixed date any more: the current date, which is never empty
    md5.Accumulate("fixed");
    md5.Accumulate("0");
    md5.Accumulate("Unknown");
    EXPECT_NE(document.ComputeDocumentID(), md5.FinalizeToHexString());
}

TEST_F(DocumentContextTest, TrailerHasSizeRootAndTwoEqualIDs)
{
    document.SetDocumentIDDateString("D:2024");
    DictionaryContext* trailer = objects.StartDictionary();
    ASSERT_EQ(document.WriteTrailerEntries(trailer), Success);
    ASSERT_EQ(objects.EndDictionary(trailer), Success);
    EXPECT_EQ(output.mBytes.substr(0, 28), "<<\r\n\t/Size 1\r\n\t/Root 1 0 R\r\n");
    const std::string idLine = output.mBytes.substr(28);
    ASSERT_EQ(idLine.size(), std::string("\t/ID [ <> <> ]\r\n>>\r\n").size() + 64);
    EXPECT_EQ(idLine.substr(0, 8), "\t/ID [ <");
    const std::string first = idLine.substr(8, 32);
    const std::string second = idLine.substr(43, 32);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(DocumentContextTest, InformationDictionaryIsWrittenOnlyWhenFilled)
{
    ASSERT_EQ(document.WriteInfoDictionary(), Success);
    EXPECT_EQ(output.mBytes, "");
    EXPECT_EQ(document.GetTrailerInformation().mInfoDictionaryReference.ObjectID, 0u);

    document.GetTrailerInformation().mInfoDictionary.Title.push_back('T');
    document.GetTrailerInformation().mInfoDictionary.Trapped = InfoDictionary::ETrappedTrue;
    ASSERT_EQ(document.WriteInfoDictionary(), Success);
    EXPECT_EQ(output.mBytes,
              "1 0 obj\r\n<<\r\n\t/Title (T)\r\n\t/Trapped /True\r\n>>\r\nendobj\r\n");
    EXPECT_EQ(document.GetTrailerInformation().mInfoDictionaryReference.ObjectID, 1u);
}

} // namespace
