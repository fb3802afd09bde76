#include "tools/pdf-dump/ObjectDumper.h"

#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

#include "DumpTestSupport.h"
#include "PdfFileBuilder.h"
#include "pdf/objects/PDFObject.h"
#include "pdf/objects/RefCountPtr.h"

namespace {

std::string Deflate(const std::string& bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(bytes.data()),
                       static_cast<uLong>(bytes.size())),
              Z_OK);
    out.resize(size);
    return out;
}

std::string StreamObject(const std::string& dictionaryEntries, const std::string& data)
{
    return "<< " + dictionaryEntries + " >>\r\nstream\r\n" + data + "\r\nendstream";
}

// The canonical text of object 1 of a one-object PDF file.
std::string DumpFirstObject(const std::string& body)
{
    PdfFileBuilder builder("%PDF-1.4");
    builder.AddObject(1, 0, body).SetTrailerEntries("/Root 1 0 R");
    OpenedDocument document(builder.Build());
    ObjectDumper dumper(document.parser);
    RefCountPtr<PDFObject> object(document.parser.ParseObjectByID(1));
    return dumper.FormatObject(object.Get());
}

struct ValueCase
{
    const char* what;
    const char* body;
    const char* expected;
};
const ValueCase kValueCases[] = {
    {"keys sorted bytewise, shorter first", "<< /b 1 /ab 2 /a 3 /B 4 >>",
     "<</B 4 /a 3 /ab 2 /b 1>>"},
    {"scalars", "[true false null -12 0]", "[true false null -12 0]"},
    {"reals keep their type", "[0.5 -3.25 1.0 .5]", "[r:0.5 r:-3.25 r:1 r:0.5]"},
    {"literal string bytes with escapes", "(a\\)b\\101)", "<61296241>"},
    {"hex string decoded, spaces skipped", "<4A6b 7c>", "<4a6b7c>"},
    {"hex string with odd digit count pads a zero", "<ABC>", "<abc0>"},
    {"hex and literal strings of equal bytes agree", "[(AB) <4142>]", "[<4142> <4142>]"},
    {"empty containers", "[[] << >> () <>]", "[[] <<>> <> <>]"},
    {"name escapes resolved then rewritten canonically", "/A#20B#23c", "/A#20B#23c"},
    {"name delimiters and high bytes are escaped", "/a#2Fb#ff", "/a#2fb#ff"},
    {"references", "[1 0 R 12 3 R]", "[1 0 R 12 3 R]"},
    {"nested containers", "<< /K [<< /L [1] >>] >>", "<</K [<</L [1]>>]>>"},
};

TEST(ObjectDumperTest, FormatsValuesCanonically)
{
    for (const ValueCase& c : kValueCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DumpFirstObject(c.body), c.expected);
    }
}

TEST(ObjectDumperTest, NullObjectIsError)
{
    PdfFileBuilder builder("%PDF-1.4");
    builder.AddObject(1, 0, "1").SetTrailerEntries("/Root 1 0 R");
    OpenedDocument document(builder.Build());
    ObjectDumper dumper(document.parser);
    EXPECT_EQ(dumper.FormatObject(nullptr), "error");
}

TEST(ObjectDumperTest, DecodeHexStringHandlesJunkAndOddDigits)
{
    EXPECT_EQ(ObjectDumper::DecodeHexString(""), "");
    EXPECT_EQ(ObjectDumper::DecodeHexString("0"), std::string(1, '\0'));
    EXPECT_EQ(ObjectDumper::DecodeHexString("4 1\r\n4\t2zz"), "AB");
    EXPECT_EQ(ObjectDumper::DecodeHexString("fF"), "\xff");
}

TEST(ObjectDumperTest, UnfilteredStreamGivesLengthAndMd5OfItsBytes)
{
    // MD5("hello") = 5d41402abc4b2a76b9719d911017c592
    EXPECT_EQ(DumpFirstObject(StreamObject("/Length 5", "hello")),
              "stream <</Length 5>> length=5 md5=5d41402abc4b2a76b9719d911017c592");
}

TEST(ObjectDumperTest, FlateStreamIsHashedDecoded)
{
    const std::string packed = Deflate("hello");
    EXPECT_EQ(DumpFirstObject(StreamObject(
                  "/Filter /FlateDecode /Length " + std::to_string(packed.size()), packed)),
              "stream <</Filter /FlateDecode /Length " + std::to_string(packed.size()) +
                  ">> length=5 md5=5d41402abc4b2a76b9719d911017c592");
}

TEST(ObjectDumperTest, UnreadableStreamsAreReportedNotFatal)
{
    struct Case
    {
        const char* what;
        const char* entries;
    };
    const Case cases[] = {
        {"unknown filter", "/Filter /LZWDecode /Length 5"},
        {"length missing", "/Filter /FlateDecode"},
        {"length of wrong type", "/Length (5)"},
        {"filter of wrong type", "/Filter 7 /Length 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = DumpFirstObject(StreamObject(c.entries, "hello"));
        EXPECT_NE(text.find(" data=unreadable"), std::string::npos) << text;
    }
}

TEST(ObjectDumperTest, DumpListsInUseObjectsAndMarksUnfetchable)
{
    PdfFileBuilder builder("%PDF-1.7");
    builder.AddObject(1, 0, "<< /Type /Catalog >>")
        .AddFreeEntry(2, 1)
        .AddObject(3, 2, "(x)")
        .AddEntryAt(4, 0, 0) // points at the header line, not at object 4
        .SetTrailerEntries("/Root 1 0 R");
    OpenedDocument document(builder.Build());
    ObjectDumper dumper(document.parser);
    EXPECT_EQ(dumper.DumpDocument(), "pdf-dump objects\n"
                                     "header %PDF- 1.7\n"
                                     "trailer <</Root 1 0 R /Size 5>>\n"
                                     "obj 1 0 <</Type /Catalog>>\n"
                                     "obj 3 2 <78>\n"
                                     "obj 4 0 error\n");
}

TEST(DumpParserTest, AcceptsPdfAndTrustStoreHeadersOnly)
{
    struct Case
    {
        const char* header;
        const char* magic;
        double version;
        bool isStore;
    };
    const Case cases[] = {
        {"%PDF-1.7", "%PDF-", 1.7, false}, {"%PPKLITE-2.1", "%PPKLITE-", 2.1, true},
        {"%PDF-", "%PDF-", 0, false},      {"%FDF-1.2", "", 0, false},
        {"%PPKLITE", "", 0, false},        {"%pdf-1.4", "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        PdfFileBuilder builder(c.header);
        builder.AddObject(1, 0, "<< >>").SetTrailerEntries("/Root 1 0 R");
        OpenedDocument document(builder.Build());
        EXPECT_EQ(document.parser.HeaderMagic(), c.magic);
        EXPECT_DOUBLE_EQ(document.parser.HeaderVersion(), c.version);
        EXPECT_EQ(document.parser.IsTrustStore(), c.isStore);
        EXPECT_EQ(document.parser.Trailer() != nullptr, std::string(c.magic) != "");
    }
}

TEST(DumpParserTest, EmptyOrBlankFileIsRefused)
{
    for (const char* bytes : {"", "   \r\n\t "}) {
        OpenedDocument document(bytes);
        EXPECT_EQ(document.parser.HeaderMagic(), "");
        EXPECT_EQ(document.parser.Trailer(), nullptr);
    }
}

} // namespace
