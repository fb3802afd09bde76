#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "PdfStreamFileBuilder.h"
#include "pdf/io/IByteReader.h"
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

namespace {

using Options = PdfStreamFileBuilder::XrefStreamOptions;

long long FetchID(PDFParser& parser, ObjectNumber number)
{
    PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByID(number));
    if (object.IsNull()) {
        return -1;
    }
    PDFObjectCastPtr<PDFInteger> value(object->Lookup("ID"));
    return value.IsNull() ? -1 : value->GetValue();
}

std::string ReadAll(IByteReader* reader)
{
    std::string out;
    Byte buffer[7];
    while (reader->HasMore()) {
        const IOByteCount got = reader->Read(buffer, sizeof(buffer));
        if (got == 0) {
            break;
        }
        out.append(reinterpret_cast<const char*>(buffer), got);
    }
    return out;
}

std::string Ascii85Encode(const std::string& data)
{
    std::string out;
    for (std::size_t start = 0; start < data.size(); start += 4) {
        const std::size_t length = std::min<std::size_t>(4, data.size() - start);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = (value << 8) | (i < length ? static_cast<unsigned char>(data[start + i]) : 0u);
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + value % 85);
            value /= 85;
        }
        out.append(digits, length + 1);
    }
    return out + "~>";
}

// A file with a classic table, the given stream as object 2 and a length object 3.
std::string FileWithStream(const std::string& entries, const std::string& data)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /Type /Catalog >>");
    builder.AddStreamObject(2, entries, data);
    builder.AddObject(3, 0, std::to_string(data.size()));
    builder.AddObject(4, 0, "<< /Predictor 12 /Columns 2 >>");
    builder.EndWithClassicTable("/Root 1 0 R");
    return builder.Build();
}

// The decoded data of object 2, or "<null>" when no reader could be made.
std::string DecodeObject2(PDFParser& parser)
{
    PDFObjectCastPtr<PDFStreamInput> stream(parser.ParseObjectByID(2));
    if (stream.IsNull()) {
        return "<no stream>";
    }
    std::unique_ptr<IByteReader> reader(parser.OpenStreamForReading(stream.Get()));
    return reader == nullptr ? "<null>" : ReadAll(reader.get());
}

// The xref stream written by hand: objects 1 and 2 in the file, then object 7 holding the
// given dictionary entries and data, and the end of file pointing at it.
std::string RawXrefStreamFile(const std::string& entries, const std::string& data,
                              const std::string& declaration = "7 0 obj")
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObject(2, 0, "<< /ID 2 >>");
    const auto offset = static_cast<long long>(builder.Build().size());
    const std::string length = entries.find("/Length") == std::string::npos
                                   ? " /Length " + std::to_string(data.size())
                                   : "";
    builder.AddRaw(declaration + "\r\n<< " + entries + length + " >>\r\nstream\r\n" + data +
                   "\r\nendstream\r\nendobj\r\n");
    builder.AddRaw("startxref\r\n" + std::to_string(offset) + "\r\n%%EOF\r\n");
    return builder.Build();
}

// Entry bytes for /W [1 2 1].
std::string Entry121(int type, int field2, int field3)
{
    return std::string{static_cast<char>(type), static_cast<char>(field2 >> 8),
                       static_cast<char>(field2 & 0xFF), static_cast<char>(field3)};
}

// Counts the readers made for stream data and decodes a /Reverse filter.
class CountingExtender : public ParserExtender
{
public:
    int mReadersMade = 0;
    int mObjectStarts = 0;
    bool mKnowsReverse = true;

    IByteReader* CreateFilter(IByteReader* reader, PDFName* filterName,
                              PDFDictionary* /*decodeParameters*/) override
    {
        if (!mKnowsReverse || filterName->GetValue() != "Reverse") {
            return reader;
        }
        return new Reverser(reader);
    }
    bool SupportsEncryption() override { return false; }
    IByteReader* CreateDecryptionReader(IByteReader* reader) override
    {
        ++mReadersMade;
        return reader;
    }
    std::string DecryptString(const std::string& value) override { return value; }
    void OnObjectStart(long long /*objectID*/, long long /*generation*/) override
    {
        ++mObjectStarts;
    }
    void OnObjectEnd(PDFObject* /*object*/) override {}

private:
    class Reverser : public IByteReader
    {
    public:
        explicit Reverser(IByteReader* source) : mSource(source) {}
        IOByteCount Read(Byte* buffer, IOByteCount count) override
        {
            Load();
            IOByteCount n = 0;
            for (; n < count && mPosition < mData.size(); ++n) {
                buffer[n] = static_cast<Byte>(mData[mPosition++]);
            }
            return n;
        }
        bool HasMore() override
        {
            Load();
            return mPosition < mData.size();
        }

    private:
        // The source may be read only once the parser has positioned its stream.
        void Load()
        {
            if (!mLoaded) {
                mLoaded = true;
                mData = ReadAll(mSource.get());
                mData.assign(mData.rbegin(), mData.rend());
            }
        }

        bool mLoaded = false;
        std::unique_ptr<IByteReader> mSource;
        std::string mData;
        std::size_t mPosition = 0;
    };
};

// Objects 2, 3 and 4 in object stream 10; catalog 1 in the file; directory per options.
std::string CompressedFile(const Options& options)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObjectStream(
        10, {{2, "<< /ID 2 >>"}, {3, "<< /ID 3 /S (x y) >>"}, {4, "<< /ID 4 /Ref 1 0 R >>"}});
    builder.EndWithXrefStream(11, options, "/Root 1 0 R");
    return builder.Build();
}

} // namespace

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

TEST(PDFParserXrefStreamTest, StreamReadersDecodeTheirFilters)
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

TEST(PDFParserXrefStreamTest, ExtenderDecodesUnknownFiltersOrRefusesThem)
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

TEST(PDFParserXrefStreamTest, ReadsDirectoryFromXrefStreamInEachEncoding)
{
    struct Case
    {
        const char* what;
        Options options;
    };
    Options raw;
    raw.compress = false;
    Options indexed;
    indexed.useIndex = true;
    Options up;
    up.predictorUp = true;
    Options upIndexed = up;
    upIndexed.useIndex = true;
    Options upUnderNone = up;
    upUnderNone.predictor = 10;
    Options upUnderPaeth = up;
    upUnderPaeth.predictor = 14;
    Options narrow;
    narrow.widths[0] = 1;
    narrow.widths[1] = 2;
    narrow.widths[2] = 1;
    narrow.compress = false;
    Options wide;
    wide.widths[0] = 8;
    wide.widths[1] = 8;
    wide.widths[2] = 4;
    const Case cases[] = {{"flate", Options{}},
                          {"raw", raw},
                          {"flate with index", indexed},
                          {"png up", up},
                          {"up rows under predictor 10", upUnderNone},
                          {"up rows under predictor 14", upUnderPaeth},
                          {"png up with index", upIndexed},
                          {"w 1 2 1", narrow},
                          {"widest fields", wide}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(CompressedFile(c.options));
        PDFParser parser;
        TraceCapture trace;
        (void)parser.ParseDocument(&reader); // no page tree
        EXPECT_EQ(parser.ObjectCount(), 12u);
        ASSERT_NE(parser.Trailer(), nullptr);
        EXPECT_TRUE(parser.Trailer()->Contains("Root"));
        EXPECT_EQ(parser.XrefEntryFor(0)->mType, XrefEntryFree);
        EXPECT_EQ(parser.XrefEntryFor(3)->mType, XrefEntryInObjectStream);
        EXPECT_EQ(parser.XrefEntryFor(3)->mPosition, 10);
        EXPECT_EQ(parser.XrefEntryFor(3)->mGeneration, 1u);
        EXPECT_EQ(parser.XrefEntryFor(5)->mType,
                  c.options.useIndex ? XrefEntryUndefined : XrefEntryFree);
        for (ObjectNumber id : {1u, 2u, 3u, 4u}) {
            EXPECT_EQ(FetchID(parser, id), static_cast<long long>(id));
        }
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{"PDFParser::ParsePagesObjectIDs, failed "
                                                          "to read pages reference in catalog"});
    }
}

TEST(PDFParserXrefStreamTest, WidthZeroTypeFieldMakesEveryEntryAnObjectInTheFile)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObject(2, 0, "<< /ID 2 >>");
    Options options;
    options.widths[0] = 0;
    options.useIndex = true;
    builder.EndWithXrefStream(3, options, "/Root 1 0 R");
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader); // no page tree
    for (ObjectNumber id : {1u, 2u, 3u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(parser.XrefEntryFor(id)->mType, XrefEntryInFile);
    }
    EXPECT_EQ(FetchID(parser, 1), 1);
    EXPECT_EQ(FetchID(parser, 2), 2);
}

TEST(PDFParserXrefStreamTest, ReferenceWithAnotherGenerationRefersToNoObject)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObject(5, 3, "<< /ID 5 >>");
    builder.AddObjectStream(10, {{2, "<< /ID 2 >>"}, {3, "<< /ID 3 >>"}});
    builder.EndWithXrefStream(11, Options{}, "/Root 1 0 R");
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader); // no page tree
    struct Case
    {
        ObjectNumber id;
        std::uint32_t generation;
        long long found;    // the /ID read, -1 for no object
        const char* object; // "generation G" of the object when the reference misses it
    };
    const Case cases[] = {
        {1, 0, 1, nullptr}, {1, 5, -1, "0"}, {5, 3, 5, nullptr},  {5, 0, -1, "3"},
        {3, 0, 3, nullptr}, {3, 1, -1, "0"}, {9, 0, -1, nullptr},
    };
    for (const Case& c : cases) {
        const std::string text = std::to_string(c.id) + " " + std::to_string(c.generation) + " R";
        SCOPED_TRACE(text);
        TraceCapture trace;
        RefCountPtr<PDFIndirectObjectReference> reference(
            new PDFIndirectObjectReference(c.id, c.generation));
        PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByReference(*reference.Get()));
        PDFObjectCastPtr<PDFInteger> id(object.IsNull() ? nullptr : object->Lookup("ID"));
        EXPECT_EQ(id.IsNull() ? -1 : id->GetValue(), c.found);
        std::vector<std::string> expected;
        if (c.object != nullptr) {
            expected.push_back("PDFParser::ParseObjectByReference, object " + std::to_string(c.id) +
                               " has generation " + c.object + ", not " +
                               std::to_string(c.generation) +
                               ": the reference refers to no object");
        }
        EXPECT_EQ(trace.Lines(), expected);
    }
}

TEST(PDFParserXrefStreamTest, StoredDataMustEndWhereItsLengthSays)
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

TEST(PDFParserXrefStreamTest, IndexSubsectionsAreReadInOrderAndGrowTheTable)
{
    // /Index [0 3 10 2] over five entries: 0 free, 1 and 2 in the file, 10 and 11 pointing at
    // the same objects (objects 1 and 2 sit at 14 and 44).
    const std::string data = Entry121(0, 0, 255) + Entry121(1, 14, 0) + Entry121(1, 44, 0) +
                             Entry121(1, 14, 0) + Entry121(1, 44, 0);
    MemoryReader reader(RawXrefStreamFile("/Size 3 /W [1 2 1] /Index [0 3 10 2]", data));
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(parser.ObjectCount(), 12u);
    EXPECT_EQ(parser.XrefEntryFor(0)->mGeneration, 255u);
    EXPECT_EQ(parser.XrefEntryFor(1)->mPosition, 14);
    EXPECT_EQ(parser.XrefEntryFor(2)->mPosition, 44);
    EXPECT_EQ(parser.XrefEntryFor(5)->mType, XrefEntryUndefined);
    EXPECT_EQ(parser.XrefEntryFor(10)->mPosition, 14);
    EXPECT_EQ(parser.XrefEntryFor(11)->mPosition, 44);
    EXPECT_EQ(FetchID(parser, 2), 2);
}

TEST(PDFParserXrefStreamTest, ShortDataLeavesRemainingEntriesAlone)
{
    MemoryReader reader(
        RawXrefStreamFile("/Size 5 /W [1 2 1]", Entry121(0, 0, 0) + Entry121(1, 14, 0)));
    PDFParser parser;
    TraceCapture trace;
    (void)parser.ParseDirectoryOnly(&reader);
    EXPECT_TRUE(trace.Empty());
    EXPECT_EQ(parser.ObjectCount(), 5u);
    EXPECT_EQ(FetchID(parser, 1), 1);
    EXPECT_EQ(parser.XrefEntryFor(2)->mType, XrefEntryUndefined);
}

struct BadXrefCase
{
    const char* what;
    std::string bytes;
    std::string trace;
};

TEST(PDFParserXrefStreamTest, BadXrefStreamsFailWithTrace)
{
    const std::string two = Entry121(0, 0, 0) + Entry121(1, 14, 0);
    const BadXrefCase cases[] = {
        {"no /W", RawXrefStreamFile("/Size 2", two),
         "PDFParser::ParseXrefFromXrefStream, W array not available. failing"},
        {"/W item not an integer", RawXrefStreamFile("/Size 2 /W [1 (2) 1]", two),
         "PDFParser::ParseXrefFromXrefStream, wrong items in width array (supposed to have only "
         "integers)"},
        {"four widths", RawXrefStreamFile("/Size 2 /W [1 2 1 0]", two),
         "PDFParser::ReadXrefStreamSegment, can handle only 3 length entries"},
        {"position field of 9 bytes", RawXrefStreamFile("/Size 2 /W [1 9 1]", two),
         "PDFParser::ParseXrefFromXrefStream, width 9 of field 2 is not supported. widths may be "
         "0 to 8, 0 to 8 and 0 to 4"},
        {"generation field of 5 bytes", RawXrefStreamFile("/Size 2 /W [1 2 5]", two),
         "PDFParser::ParseXrefFromXrefStream, width 5 of field 3 is not supported. widths may be "
         "0 to 8, 0 to 8 and 0 to 4"},
        {"huge type field", RawXrefStreamFile("/Size 2 /W [4294967297 2 1]", two),
         "PDFParser::ParseXrefFromXrefStream, width 4294967297 of field 1 is not supported. "
         "widths may be 0 to 8, 0 to 8 and 0 to 4"},
        {"negative width", RawXrefStreamFile("/Size 2 /W [1 -2 1]", two),
         "PDFParser::ParseXrefFromXrefStream, width -2 of field 2 is not supported. widths may "
         "be 0 to 8, 0 to 8 and 0 to 4"},
        {"odd /Index", RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [0 2 5]", two),
         "PDFParser::ParseXrefFromXrefStream,Index array of xref stream should have an even "
         "number of values"},
        {"/Index first not an integer", RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [(0) 2]", two),
         "PDFParser::ParseXrefFromXrefStream, found non integer value in Index array of xref "
         "stream"},
        {"/Index count not an integer",
         RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [0 /Two]", two),
         "PDFParser::ParseXrefFromXrefStream, found non integer value in Index array of xref "
         "stream"},
        {"huge /Index", RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [0 8388609]", two),
         "PDFParser::ParseXrefFromXrefStream, subsection 0 8388609 reaches beyond what the file "
         "could hold"},
        {"/Index beyond what the file could hold",
         RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [9000000000000000000 9000000000000000000]",
                           two),
         "PDFParser::ParseXrefFromXrefStream, subsection 9000000000000000000 9000000000000000000 "
         "reaches beyond what the file could hold"},
        {"negative /Index", RawXrefStreamFile("/Size 2 /W [1 2 1] /Index [-1 2]", two),
         "PDFParser::ParseXrefFromXrefStream, subsection -1 2 reaches beyond what the file could "
         "hold"},
        {"huge /Size", RawXrefStreamFile("/Size 8388609 /W [1 2 1]", two),
         "PDFParser::SetupTableSize, table size 8388609 is more than the file could hold"},
        {"unknown entry type", RawXrefStreamFile("/Size 2 /W [1 2 1]", Entry121(3, 0, 0)),
         "PDFParser::ReadXrefStreamSegment, unfamiliar entry type. must be either 0,1 or 2"},
        {"entry cut short", RawXrefStreamFile("/Size 2 /W [1 2 1]", two.substr(0, 6)),
         "PDFParser::ReadXrefStreamSegment, failed to read xref entry 1"},
        {"indirect /Length", RawXrefStreamFile("/Size 2 /W [1 2 1] /Length 1 0 R", two),
         "PDFParser::CreateInputStreamReader, stream does not have length, failing"},
        {"generation missing", RawXrefStreamFile("/Size 2 /W [1 2 1]", two, "7 (0) obj"),
         "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failed to read xref object "
         "declaration, Version"},
        {"keyword missing", RawXrefStreamFile("/Size 2 /W [1 2 1]", two, "7 0 (obj)"),
         "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failed to read xref object "
         "declaration, obj keyword"},
        {"wrong keyword", RawXrefStreamFile("/Size 2 /W [1 2 1]", two, "7 0 object"),
         "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failed to read xref object "
         "declaration, expected obj keyword found object"},
    };
    for (const BadXrefCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(c.bytes);
        PDFParser parser;
        TraceCapture trace;
        EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Failure);
        EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
    }
}

TEST(PDFParserXrefStreamTest, XrefStreamThatIsNotAStreamFails)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObject(7, 0, "<< /Size 2 /W [1 2 1] >>");
    builder.AddRaw("startxref\r\n" + std::to_string(builder.OffsetOf(7)) + "\r\n%%EOF\r\n");
    MemoryReader reader(builder.Build());
    PDFParser parser;
    TraceCapture trace;
    EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Failure);
    EXPECT_TRUE(trace.Contains("PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to "
                               "parse xref stream"));
}

TEST(PDFParserXrefStreamTest, HybridFileReadsCompressedObjectsThroughXRefStm)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObjectStream(10, {{2, "<< /ID 2 >>"}, {3, "<< /ID 3 >>"}});
    Options options;
    options.predictorUp = true;
    builder.EndWithClassicTable("/Root 1 0 R", 11, options);
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(parser.ObjectCount(), 12u);
    EXPECT_EQ(FetchID(parser, 1), 1);
    EXPECT_EQ(FetchID(parser, 2), 2);
    EXPECT_EQ(FetchID(parser, 3), 3);
}

TEST(PDFParserXrefStreamTest, BadHybridStreamFailsTheDirectory)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> replacements;
        std::string trace;
    };
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddObjectStream(10, {{2, "<< /ID 2 >>"}});
    builder.EndWithClassicTable("/Root 1 0 R", 11);
    const std::string good = builder.Build();
    const std::string stm = "/XRefStm " + std::to_string(builder.OffsetOf(11));
    const Case cases[] = {
        {"offset beyond the file",
         {{stm, "/XRefStm 999999"}},
         "PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream at 999999"},
        {"offset at the table",
         {{stm, "/XRefStm " + std::to_string(builder.XrefOffsets().back())}},
         "PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream at " +
             std::to_string(builder.XrefOffsets().back())},
        {"offset at a plain object",
         {{stm, "/XRefStm " + std::to_string(builder.OffsetOf(1))}},
         "PDFParser::ParseXrefFromXrefStream, failure to parse xref stream"},
        // Same-length renames keep every offset valid.
        {"stream without /Size or /Index",
         {{"/Type /XRef /Size 12", "/Type /XRef /Sizf 12"}, {"/Index", "/Indey"}},
         "PDFParser::ParseXrefFromXrefStream, xref size does not exist for this stream"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        for (const auto& [from, to] : c.replacements) {
            ASSERT_NE(bytes.find(from), std::string::npos) << from;
            bytes.replace(bytes.find(from), from.size(), to);
        }
        MemoryReader reader(bytes);
        PDFParser parser;
        TraceCapture trace;
        EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Failure);
        EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
        EXPECT_TRUE(trace.Contains("PDFParser::ParseDirectory, failure to parse xref in hybrid "
                                   "mode"));
    }
}

TEST(PDFParserXrefStreamTest, PrevChainsMixBothKindsNewestWins)
{
    for (bool streamLast : {false, true}) {
        SCOPED_TRACE(streamLast ? "stream, classic, stream" : "classic, stream, classic");
        PdfStreamFileBuilder builder;
        builder.AddObject(1, 0, "<< /ID 1 >>").AddObject(2, 0, "<< /ID 20 >>");
        Options options;
        options.useIndex = true;
        if (streamLast) {
            builder.EndWithXrefStream(9, options);
        } else {
            builder.EndWithClassicTable("");
        }
        builder.AddObject(2, 0, "<< /ID 2 >>");
        builder.AddObjectStream(10, {{3, "<< /ID 30 >>"}, {4, "<< /ID 4 >>"}});
        if (streamLast) {
            builder.EndWithClassicTable("", 11);
        } else {
            builder.EndWithXrefStream(11, options);
        }
        builder.AddObject(3, 0, "<< /ID 3 >>");
        if (streamLast) {
            builder.EndWithXrefStream(12, options, "/Root 1 0 R");
        } else {
            builder.EndWithClassicTable("/Root 1 0 R");
        }
        MemoryReader reader(builder.Build());
        PDFParser parser;
        TraceCapture trace;
        (void)parser.ParseDirectoryOnly(&reader);
        EXPECT_TRUE(trace.Empty()) << trace.Lines()[0];
        for (ObjectNumber id : {1u, 2u, 3u, 4u}) {
            EXPECT_EQ(FetchID(parser, id), static_cast<long long>(id));
        }
        EXPECT_EQ(parser.XrefEntryFor(3)->mType, XrefEntryInFile);
    }
}

TEST(PDFParserXrefStreamTest, PrevPointingAtItselfIsStopped)
{
    const std::string bytes =
        RawXrefStreamFile("/Size 3 /W [1 2 1] /Prev 74", Entry121(0, 0, 0) + Entry121(1, 14, 0));
    ASSERT_EQ(bytes.substr(74, 7), "7 0 obj");
    MemoryReader reader(bytes);
    PDFParser parser;
    TraceCapture trace;
    EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Success);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"PDFParser::ParsePreviousXrefs, prev points back to a "
                                       "section already read, at 74. ignoring the rest of the "
                                       "chain"});
    EXPECT_EQ(FetchID(parser, 1), 1);
}

TEST(PDFParserXrefStreamTest, ObjectStreamFetchesWorkInAnyOrderWithAndWithoutCache)
{
    const std::vector<std::vector<ObjectNumber>> orders = {
        {2, 3, 4, 2}, {4, 3, 2, 4}, {3, 2, 2, 4}};
    for (std::size_t limit : {PDFParser::kDefaultObjectStreamCacheLimit, std::size_t{0}}) {
        for (const auto& order : orders) {
            SCOPED_TRACE(::testing::Message() << "limit " << limit << " first " << order[0]);
            MemoryReader reader(CompressedFile(Options{}));
            PDFParser parser;
            parser.SetObjectStreamCacheLimit(limit);
            (void)parser.ParseDocument(&reader);
            TraceCapture trace;
            for (ObjectNumber id : order) {
                EXPECT_EQ(FetchID(parser, id), static_cast<long long>(id));
            }
            PDFObjectCastPtr<PDFDictionary> three(parser.ParseObjectByID(3));
            ASSERT_FALSE(three.IsNull());
            PDFObjectCastPtr<PDFLiteralString> text(three->Lookup("S"));
            ASSERT_FALSE(text.IsNull());
            EXPECT_EQ(text->GetValue(), "x y");
            PDFObjectCastPtr<PDFDictionary> four(parser.ParseObjectByID(4));
            PDFObjectCastPtr<PDFIndirectObjectReference> ref(four->Lookup("Ref"));
            ASSERT_FALSE(ref.IsNull());
            EXPECT_EQ(ref->ObjectID, 1u);
            // A plain object fetched after an object-stream one is read from the file again.
            EXPECT_EQ(FetchID(parser, 1), 1);
            EXPECT_TRUE(trace.Empty());
        }
    }
}

TEST(PDFParserXrefStreamTest, ObjectStreamIsDecodedOnceForManyFetches)
{
    std::vector<std::pair<std::uint32_t, std::string>> objects;
    for (std::uint32_t id = 2; id < 52; ++id) {
        objects.emplace_back(id, "<< /ID " + std::to_string(id) + " >>");
    }
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>").AddObjectStream(60, objects);
    builder.EndWithXrefStream(61, Options{});
    for (std::size_t limit : {PDFParser::kDefaultObjectStreamCacheLimit, std::size_t{0}}) {
        MemoryReader reader(builder.Build());
        PDFParser parser;
        CountingExtender extender;
        parser.SetExtender(&extender);
        parser.SetObjectStreamCacheLimit(limit);
        (void)parser.ParseDirectoryOnly(&reader);
        extender.mReadersMade = 0;
        extender.mObjectStarts = 0;
        for (std::uint32_t id = 51; id >= 2; --id) {
            ASSERT_EQ(FetchID(parser, id), static_cast<long long>(id));
        }
        // Only the object stream itself is read from the file, never its objects.
        EXPECT_EQ(extender.mObjectStarts, 50);
        // Without the cache every fetch decodes again; the first also finds the data too large.
        EXPECT_EQ(extender.mReadersMade, limit == 0 ? 51 : 1);
    }
}

TEST(PDFParserXrefStreamTest, CacheDoesNotOutliveTheDocument)
{
    auto file = [](const std::string& id) {
        PdfStreamFileBuilder builder;
        builder.AddObject(1, 0, "<< /ID 1 >>").AddObjectStream(5, {{2, "<< /ID " + id + " >>"}});
        builder.EndWithXrefStream(6, Options{});
        return builder.Build();
    };
    MemoryReader first(file("2"));
    MemoryReader second(file("22"));
    PDFParser parser;
    (void)parser.ParseDirectoryOnly(&first);
    EXPECT_EQ(FetchID(parser, 2), 2);
    (void)parser.ParseDirectoryOnly(&second);
    EXPECT_EQ(FetchID(parser, 2), 22);
}

TEST(PDFParserXrefStreamTest, BadObjectStreamsGiveNullAndTrace)
{
    struct Case
    {
        const char* what;
        std::string streamEntries;
        std::string data;
        ObjectNumber fetched;
        std::string trace;
    };
    const std::string header = "2 0 3 12 ";
    const std::string body = header + "<< /ID 2 >> << /ID 3 >>";
    const std::string first = " /First " + std::to_string(header.size());
    const Case cases[] = {
        {"index beyond /N", "/N 2" + first, body, 4,
         "PDFParser::ParseXrefFromXrefStream, wrong object. expecting to find object ID 4, and "
         "found -1"},
        {"header names another object", "/N 2" + first, body, 5,
         "PDFParser::ParseXrefFromXrefStream, wrong object. expecting to find object ID 5, and "
         "found 3"},
        {"no /N", first, body, 2,
         "PDFParser::ParseExistingInDirectStreamObject, no N key in stream dictionary 10"},
        {"no /First", "/N 2", body, 2,
         "PDFParser::ParseExistingInDirectStreamObject, no First key in stream dictionary 10"},
        {"negative /N", "/N -1" + first, body, 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 10 has N = -1 and First = "
         "9, refusing it"},
        {"huge /N", "/N 8388609" + first, body, 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 10 has N = 8388609 and "
         "First = 9, refusing it"},
        {"negative /First", "/N 2 /First -1", body, 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 10 has N = 2 and First = "
         "-1, refusing it"},
        {"/N larger than the header", "/N 8388608" + first, body, 2,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object number. either "
         "not enough objects, or of the wrong type"},
        {"header offset not an integer", "/N 2" + first, "2 0 3 (x) << /ID 2 >>", 2,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object position. "
         "either not enough objects, or of the wrong type"},
        {"no reader for the stream", "/N 2 /Filter /LZWDecode" + first, body, 2,
         "PDFParser::CreateFilterForStream, supporting only flate decode and ascii 85 decode, "
         "failing"},
    };
    for (std::size_t limit : {PDFParser::kDefaultObjectStreamCacheLimit, std::size_t{0}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << " limit " << limit);
            PdfStreamFileBuilder builder;
            builder.AddObject(1, 0, "<< /ID 1 >>");
            builder.AddStreamObject(10, c.streamEntries, c.data);
            builder.AddCompressedEntry(2, 10, 0).AddCompressedEntry(3, 10, 1);
            builder.AddCompressedEntry(4, 10, 7).AddCompressedEntry(5, 10, 1);
            builder.EndWithXrefStream(11, Options{});
            MemoryReader reader(builder.Build());
            PDFParser parser;
            parser.SetObjectStreamCacheLimit(limit);
            (void)parser.ParseDirectoryOnly(&reader);
            TraceCapture trace;
            EXPECT_EQ(parser.ParseObjectByID(c.fetched), nullptr);
            EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
            // The parser is still usable for objects in the file.
            EXPECT_EQ(FetchID(parser, 1), 1);
        }
    }
}

namespace {

// Object 3's header offset puts it far beyond the data of its object stream 10.
std::string ObjectBeyondItsStreamFile()
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    builder.AddStreamObject(10, "/N 2 /First 13", "2 0 3 999999 << /ID 2 >>");
    builder.AddCompressedEntry(2, 10, 0).AddCompressedEntry(3, 10, 1);
    builder.EndWithXrefStream(11, Options{});
    return builder.Build();
}

} // namespace

TEST(PDFParserXrefStreamTest, ObjectOutsideTheDecodedDataGivesNull)
{
    for (std::size_t limit : {PDFParser::kDefaultObjectStreamCacheLimit, std::size_t{0}}) {
        MemoryReader reader(ObjectBeyondItsStreamFile());
        PDFParser parser;
        parser.SetObjectStreamCacheLimit(limit);
        (void)parser.ParseDirectoryOnly(&reader);
        EXPECT_EQ(FetchID(parser, 2), 2);
        EXPECT_EQ(parser.ParseObjectByID(3), nullptr);
    }
}

TEST(PDFParserXrefStreamTest, ObjectStreamLoopsAreStopped)
{
    struct Case
    {
        const char* what;
        std::string entries5;
        std::string entries6;
        ObjectNumber fetched;
        std::string trace;
        bool streamListedInItself = false;
    };
    const Case cases[] = {
        {"stream listed inside itself", "/N 1 /First 4", "/N 1 /First 4", 5,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 5 is already being opened "
         "while fetching object 5, refusing a loop",
         true},
        {"length inside itself", "/N 1 /First 4 /Length 2 0 R", "/N 1 /First 4", 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 5 is already being opened "
         "while fetching object 2, refusing a loop"},
        {"/N inside itself", "/N 2 0 R /First 4", "/N 1 /First 4", 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 5 is already being opened "
         "while fetching object 2, refusing a loop"},
        {"two streams through each other", "/N 1 /First 4 /Length 3 0 R",
         "/N 1 /First 4 /Length 2 0 R", 2,
         "PDFParser::ParseExistingInDirectStreamObject, object stream 5 is already being opened "
         "while fetching object 2, refusing a loop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PdfStreamFileBuilder builder;
        builder.AddObject(1, 0, "<< /ID 1 >>");
        builder.AddStreamObject(5, c.entries5, "2 0 << /ID 2 >>");
        builder.AddStreamObject(6, c.entries6, "3 0 << /ID 3 >>");
        builder.AddCompressedEntry(2, 5, 0).AddCompressedEntry(3, 6, 0);
        if (c.streamListedInItself) {
            builder.AddCompressedEntry(5, 5, 0);
        }
        builder.EndWithXrefStream(8, Options{});
        MemoryReader reader(builder.Build());
        PDFParser parser;
        (void)parser.ParseDirectoryOnly(&reader);
        TraceCapture trace;
        EXPECT_EQ(parser.ParseObjectByID(c.fetched), nullptr);
        EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
        EXPECT_EQ(FetchID(parser, 1), 1);
    }
}

TEST(PDFParserXrefStreamTest, StoreInObjectStreamsIsReadEntryByEntry)
{
    const std::string certs[] = {"3082010a", "30820222", "308203ff"};
    PdfStreamFileBuilder builder;
    builder.AddRaw("\x25\xBD\xBE\xBC\r\n");
    builder.AddObjectStream(
        20, {{1, "<< /PPK << /AddressBook << /Entries [2 0 R 3 0 R 4 0 R] /NextID 4 >> /V 65537 "
                 ">> /Type /Catalog >>"},
             {2, "<< /ABEType 1 /Cert <" + certs[0] + "> /ID 1 /Trust 8190 >>"},
             {3, "<< /ABEType 1 /Cert <" + certs[1] + "> /ID 2 /Trust 8190 >>"},
             {4, "<< /ABEType 1 /Cert <" + certs[2] + "> /ID 3 /Trust 8190 >>"}});
    Options options;
    options.predictorUp = true;
    builder.EndWithXrefStream(21, options, "/Root 1 0 R /ID [<0123> <4567>]");
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader); // a store has no page tree

    PDFObjectCastPtr<PDFDictionary> catalog(parser.ParseObjectByID(1));
    ASSERT_FALSE(catalog.IsNull());
    PDFObjectCastPtr<PDFDictionary> ppk(parser.ResolveDictionaryEntry(catalog.Get(), "PPK"));
    ASSERT_FALSE(ppk.IsNull());
    PDFObjectCastPtr<PDFDictionary> book(parser.ResolveDictionaryEntry(ppk.Get(), "AddressBook"));
    ASSERT_FALSE(book.IsNull());
    PDFObjectCastPtr<PDFArray> entries(parser.ResolveDictionaryEntry(book.Get(), "Entries"));
    ASSERT_FALSE(entries.IsNull());
    ASSERT_EQ(entries->GetLength(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        PDFObjectCastPtr<PDFDictionary> entry(parser.ResolveArrayItem(entries.Get(), i));
        ASSERT_FALSE(entry.IsNull());
        PDFObjectCastPtr<PDFHexString> cert(parser.ResolveDictionaryEntry(entry.Get(), "Cert"));
        ASSERT_FALSE(cert.IsNull());
        EXPECT_EQ(cert->GetValue(), certs[i]);
        PDFObjectCastPtr<PDFInteger> id(entry->Lookup("ID"));
        EXPECT_EQ(id->GetValue(), static_cast<long long>(i) + 1);
    }
}

namespace {

// Object 1, then object 5 written as given (a damaged "5 0 obj" declaration), then a classic
// table whose trailer gets the entries made from 5's offset.
std::string FileWithRawObject5(const std::string& declaration,
                               std::string (*trailerEntries)(long long), bool listObject5)
{
    PdfStreamFileBuilder builder;
    builder.AddObject(1, 0, "<< /ID 1 >>");
    const auto offset = static_cast<long long>(builder.Build().size());
    builder.AddRaw(declaration + "\r\n<< /ID 5 >>\r\nendobj\r\n");
    if (listObject5) {
        builder.AddEntryAt(5, 0, offset);
    }
    builder.EndWithClassicTable(trailerEntries(offset));
    return builder.Build();
}

std::string PrevAt(long long offset)
{
    return "/Root 1 0 R /Prev " + std::to_string(offset);
}
std::string XRefStmAt(long long offset)
{
    return "/Root 1 0 R /XRefStm " + std::to_string(offset);
}
std::string RootOnly(long long /*offset*/)
{
    return "/Root 1 0 R";
}

// Records what the parser tells the extender around each indirect object.
class RecordingExtender : public ParserExtender
{
public:
    IByteReader* CreateFilter(IByteReader* reader, PDFName* /*filterName*/,
                              PDFDictionary* /*decodeParameters*/) override
    {
        return reader;
    }
    bool SupportsEncryption() override { return false; }
    IByteReader* CreateDecryptionReader(IByteReader* reader) override { return reader; }
    std::string DecryptString(const std::string& value) override { return value; }
    void OnObjectStart(long long objectID, long long generation) override
    {
        mEvents.push_back("start " + std::to_string(objectID) + " " + std::to_string(generation));
    }
    void OnObjectEnd(PDFObject* object) override
    {
        mEvents.push_back(object == nullptr                                  ? "end null"
                          : object->GetType() == PDFObject::ePDFObjectStream ? "end stream"
                                                                             : "end other");
    }

    std::vector<std::string> mEvents;
};

} // namespace

// Each reader of an object declaration (a previous section, a hybrid /XRefStm stream, a fetch)
// names itself in its trace lines.
TEST(PDFParserXrefStreamTest, DamagedDeclarationsTraceTheirReader)
{
    struct Reader
    {
        const char* what;
        std::string (*trailerEntries)(long long);
        const char* prefix;
    };
    const Reader readers[] = {
        {"previous section", PrevAt,
         "PDFParser::ParseDirectory, failed to read xref object declaration, "},
        {"hybrid stream", XRefStmAt,
         "PDFParser::ParseXrefFromXrefStream, failed to read xref object declaration, "},
        {"fetch", RootOnly,
         "PDFParser::ParseExistingInDirectObject, failed to read object declaration, "},
    };
    const std::pair<std::string, std::string> damages[] = {
        {"5 (0) obj", "Version"},
        {"5 0 (obj)", "obj keyword"},
        {"5 0 object", "expected obj keyword found object"},
        {"5 0", "obj keyword"},
    };
    for (const Reader& r : readers) {
        for (const auto& [declaration, ending] : damages) {
            SCOPED_TRACE(std::string(r.what) + ": " + declaration);
            const bool fetch = r.trailerEntries == RootOnly;
            MemoryReader reader(FileWithRawObject5(declaration, r.trailerEntries, fetch));
            PDFParser parser;
            TraceCapture trace;
            if (fetch) {
                EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Success);
                EXPECT_EQ(parser.ParseObjectByID(5), nullptr);
            } else {
                EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Failure);
            }
            EXPECT_TRUE(trace.Contains(r.prefix + ending))
                << (trace.Lines().empty() ? "" : trace.Lines()[0]);
        }
    }
}

// The extender sees an object start once its generation is read, and its end only for a body
// that was accepted: an xref section whose body is no stream, or a fetch whose generation is
// not the listed one, gets no end.
TEST(PDFParserXrefStreamTest, ExtenderSeesObjectStartAndEnd)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        ObjectNumber fetch; // 0: none
        std::vector<std::string> events;
    };
    PdfStreamFileBuilder streamFile;
    streamFile.AddObject(1, 0, "<< /ID 1 >>");
    streamFile.EndWithXrefStream(7, Options{}, "/Root 1 0 R");
    PdfStreamFileBuilder previous;
    previous.AddObject(1, 0, "<< /ID 1 >>");
    previous.EndWithXrefStream(7, Options{}, "/Root 1 0 R");
    previous.AddObject(2, 0, "<< /ID 2 >>");
    previous.EndWithClassicTable("/Root 1 0 R");
    const Case cases[] = {
        {"xref stream, then a fetch",
         streamFile.Build(),
         1,
         {"start 7 0", "end stream", "start 1 0", "end other"}},
        // Read once while walking the /Prev chain and once while merging it, oldest first.
        {"stream section before a classic one",
         previous.Build(),
         0,
         {"start 7 0", "end stream", "start 7 0", "end stream"}},
        {"hybrid stream that is a dictionary",
         FileWithRawObject5("5 0 obj", XRefStmAt, false),
         0,
         {"start 5 0"}},
        {"previous section that is a dictionary",
         FileWithRawObject5("5 0 obj", PrevAt, false),
         0,
         {"start 5 0"}},
        {"fetch with another generation",
         FileWithRawObject5("5 3 obj", RootOnly, true),
         5,
         {"start 5 3"}},
        {"fetch of a listed object",
         FileWithRawObject5("5 0 obj", RootOnly, true),
         5,
         {"start 5 0", "end other"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(c.bytes);
        RecordingExtender extender;
        PDFParser parser;
        parser.SetExtender(&extender);
        (void)parser.ParseDirectoryOnly(&reader); // failures are the point of some cases
        if (c.fetch != 0) {
            RefCountPtr<PDFObject> object(parser.ParseObjectByID(c.fetch));
        }
        EXPECT_EQ(extender.mEvents, c.events);
    }
}

TEST(PDFParserXrefStreamTest, ObjectOutsideTheDecodedDataIsTraced)
{
    MemoryReader reader(ObjectBeyondItsStreamFile());
    PDFParser parser;
    (void)parser.ParseDirectoryOnly(&reader);
    TraceCapture trace;
    EXPECT_EQ(parser.ParseObjectByID(3), nullptr);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"PDFParser::ParseObjectFromObjectStream, "
                                                      "object 3 lies outside the data of object "
                                                      "stream 10"});
}
