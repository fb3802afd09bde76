#include "pdf/parsing/StreamReaderFactory.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "StreamFileTestSupport.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/ParserExtender.h"

struct FilterCase
{
    const char* what;
    std::string entries;
    std::string data;
    std::string expected;
    std::string trace; // empty: no trace line expected
};

// Rows of two columns with the tags None ("ab"), Sub ("cd") and Up ("ef" over "cd").
const std::string kMixedRows("\0ab\1c\1\2\2\2", 9);

TEST(StreamReaderFactoryTest, StreamReadersDecodeTheirFilters)
{
    const std::string text = "hello, filtered world";
    const std::string upRows = PdfStreamFileBuilder::PngUpEncode("abcdefgh", 2);
    std::string tooMany = "/Filter [";
    for (int i = 0; i < 17; ++i) {
        tooMany += "/ASCII85Decode ";
    }
    tooMany += "]";
    const FilterCase cases[] = {
        {"no filter gives exactly the raw bytes", "", "raw\r\nbytes", "raw\r\nbytes", ""},
        {"indirect length", "/Length 3 0 R", "abc", "abc", ""},
        {"flate", "/Filter /FlateDecode", PdfStreamFileBuilder::Deflate(text), text, ""},
        {"predictor 1 is plain flate", "/Filter /FlateDecode /DecodeParms << /Predictor 1 >>",
         PdfStreamFileBuilder::Deflate(text), text, ""},
        {"png up", "/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(upRows), "abcdefgh", ""},
        {"png up with indirect parameters", "/Filter /FlateDecode /DecodeParms 4 0 R",
         PdfStreamFileBuilder::Deflate(upRows), "abcdefgh", ""},
        {"png none", "/Filter /FlateDecode /DecodeParms << /Predictor 10 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(std::string("\0ab\0cd", 6)), "abcd", ""},
        {"png optimum", "/Filter /FlateDecode /DecodeParms << /Predictor 15 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(upRows), "abcdefgh", ""},
        {"rows choose their own filter under predictor 10",
         "/Filter /FlateDecode /DecodeParms << /Predictor 10 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(kMixedRows), "abcdef", ""},
        {"rows choose their own filter under predictor 11",
         "/Filter /FlateDecode /DecodeParms << /Predictor 11 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(kMixedRows), "abcdef", ""},
        {"rows choose their own filter under predictor 13",
         "/Filter /FlateDecode /DecodeParms << /Predictor 13 /Columns 2 >>",
         PdfStreamFileBuilder::Deflate(kMixedRows), "abcdef", ""},
        {"tiff", "/Filter /FlateDecode /DecodeParms << /Predictor 2 /Columns 3 >>",
         PdfStreamFileBuilder::Deflate("\x01\x01\x01"), "\x01\x02\x03", ""},
        {"ascii85", "/Filter /ASCII85Decode", "9jqo~>", "Man", ""},
        {"ascii85 then flate", "/Filter [/ASCII85Decode /FlateDecode] /DecodeParms [null null]",
         Ascii85Encode(PdfStreamFileBuilder::Deflate(text)), text, ""},
        {"predictor 3", "/Filter /FlateDecode /DecodeParms << /Predictor 3 >>", "x", "<null>",
         "PDFParser::CreateFilterForStream, supporting only predictor of types "
         "1,2,10,11,12,13,14,15, failing"},
        {"predictor 16", "/Filter [/FlateDecode] /DecodeParms [<< /Predictor 16 >>]", "x", "<null>",
         "PDFParser::CreateFilterForStream, supporting only predictor of types "
         "1,2,10,11,12,13,14,15, failing"},
        {"lzw", "/Filter /LZWDecode", "x", "<null>",
         "PDFParser::CreateFilterForStream, supporting only flate decode and ascii 85 decode, "
         "failing"},
        {"dct refused like an unknown filter", "/Filter [/ASCII85Decode /DCTDecode]", "x", "<null>",
         "PDFParser::CreateFilterForStream, supporting only flate decode and ascii 85 decode, "
         "failing"},
        {"filter as a string", "/Filter (FlateDecode)", "x", "<null>",
         "PDFParser::CreateInputStreamReader, filter parameter is of unkown type. only array and "
         "name are supported."},
        {"filter as a number", "/Filter 5", "x", "<null>",
         "PDFParser::CreateInputStreamReader, filter parameter is of unkown type. only array and "
         "name are supported."},
        {"array item not a name", "/Filter [/ASCII85Decode 5]", "x", "<null>",
         "PDFParser::CreateInputStreamReader, filter item in an array is not a name. should be "
         "a name"},
        {"too many filters", tooMany, "x", "<null>",
         "PDFParser::CreateInputStreamReader, 17 filters in one stream, more than 16. failing"},
        {"length not an integer", "/Length (5)", "x", "<null>",
         "PDFParser::CreateInputStreamReader, stream does not have length, failing"},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(FileWithStream(c.entries, c.data));
        PDFParser parser;
        (void)parser.ParseDocument(&reader); // no page tree
        TraceCapture trace;
        EXPECT_EQ(DecodeObject2(parser), c.expected);
        if (!c.trace.empty()) {
            EXPECT_EQ(trace.Lines(), std::vector<std::string>{c.trace});
        } else {
            EXPECT_TRUE(trace.Empty());
        }
    }
}

TEST(StreamReaderFactoryTest, ExtenderDecodesUnknownFiltersOrRefusesThem)
{
    MemoryReader reader(FileWithStream("/Filter [/ASCII85Decode /Reverse]", "9jqo~>"));
    PDFParser parser;
    CountingExtender extender;
    parser.SetExtender(&extender);
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(DecodeObject2(parser), "naM");
    EXPECT_EQ(extender.mReadersMade, 1);

    extender.mKnowsReverse = false;
    TraceCapture trace;
    EXPECT_EQ(DecodeObject2(parser), "<null>");
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"PDFParser::CreateFilterForStream, filter is "
                                                      "not supported by extender - Reverse"});
}

TEST(StreamReaderFactoryTest, StoredDataMustEndWhereItsLengthSays)
{
    struct Case
    {
        const char* what;
        std::string entries;
        std::string data;
        std::string stored; // "<null>" when refused
    };
    const Case cases[] = {
        {"length as stored", "", "abcdefgh", "abcdefgh"},
        {"indirect length", "/Length 3 0 R", "abcdefgh", "abcdefgh"},
        {"length 3 short", "/Length 5", "abcdefgh", "<null>"},
        {"length 9 long", "/Length 17", "abcdefgh", "<null>"},
        {"length past the end of the file", "/Length 999999", "abcdefgh", "<null>"},
        {"negative length", "/Length -1", "abcdefgh", "<null>"},
        {"length through a reference of another generation", "/Length 3 1 R", "abcdefgh", "<null>"},
        {"length not a number", "/Length (8)", "abcdefgh", "<null>"},
        {"data that holds the end of line", "/Length 10", "abcdefgh", "abcdefgh\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(FileWithStream(c.entries, c.data));
        PDFParser parser;
        (void)parser.ParseDocument(&reader); // no page tree
        PDFObjectCastPtr<PDFStreamInput> stream(parser.ParseObjectByID(2));
        ASSERT_FALSE(stream.IsNull());
        TraceCapture trace;
        FilePosition length = -1;
        std::unique_ptr<IByteReader> stored(parser.OpenStoredStreamData(stream.Get(), length));
        EXPECT_EQ(stored == nullptr ? "<null>" : ReadAll(stored.get()), c.stored);
        EXPECT_EQ(length, stored == nullptr ? 0 : static_cast<FilePosition>(c.stored.size()));
        EXPECT_EQ(trace.Empty(), stored != nullptr);
    }
}
