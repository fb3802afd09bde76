#include "pdf/parsing/ObjectStreamReader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "StreamFileTestSupport.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFParser.h"

namespace {

struct HeaderResult
{
    StatusCode status = Failure;
    std::vector<ObjectStreamEntry> entries;
    std::vector<std::string> trace;
};

HeaderResult ReadHeader(const std::string& bytes, long long objectCount)
{
    TraceCapture trace;
    MemoryReader reader(bytes);
    AdapterIByteReaderWithPositionToIReadPositionProvider position(&reader);
    PDFObjectParser objectParser;
    objectParser.AttachStream(&reader, &position);
    HeaderResult result;
    result.status = ObjectStreamReader::ParseObjectStreamHeader(objectParser, nullptr,
                                                                result.entries, objectCount);
    result.trace = trace.Lines();
    return result;
}

} // namespace

TEST(ObjectStreamReaderTest, HeaderPairsGiveNumbersAndOffsets)
{
    const HeaderResult result = ReadHeader("12 0 13 25\r\n14 -3 << /A 1 >>", 3);
    ASSERT_EQ(result.status, Success);
    ASSERT_EQ(result.entries.size(), 3u);
    EXPECT_EQ(result.entries[0].mObjectNumber, 12u);
    EXPECT_EQ(result.entries[0].mObjectOffset, 0);
    EXPECT_EQ(result.entries[1].mObjectNumber, 13u);
    EXPECT_EQ(result.entries[1].mObjectOffset, 25);
    EXPECT_EQ(result.entries[2].mObjectNumber, 14u);
    EXPECT_EQ(result.entries[2].mObjectOffset, -3);
}

TEST(ObjectStreamReaderTest, NoPairsForACountOfZero)
{
    const HeaderResult result = ReadHeader("", 0);
    EXPECT_EQ(result.status, Success);
    EXPECT_TRUE(result.entries.empty());
}

TEST(ObjectStreamReaderTest, ShortOrWrongHeadersFailWithTheirTrace)
{
    struct BadCase
    {
        const char* what;
        std::string bytes;
        long long objectCount;
        const char* trace;
    };
    const BadCase cases[] = {
        {"fewer pairs than N", "1 0 2 5", 3,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object number. either "
         "not enough objects, or of the wrong type"},
        {"number that is a name", "/x 0", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object number. either "
         "not enough objects, or of the wrong type"},
        // Cut to 32 bits it would pass for object 14.
        {"number beyond 32 bits", "4294967310 0", 1,
         "PDFParser::ParseObjectStreamHeader, object number 4294967310 beyond 32 bits"},
        {"pair without its offset", "1", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object position. "
         "either not enough objects, or of the wrong type"},
        {"offset that is a real number", "1 2.5", 1,
         "PDFParser::ParseObjectStreamHeader, parsing failed when reading object position. "
         "either not enough objects, or of the wrong type"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const HeaderResult result = ReadHeader(c.bytes, c.objectCount);
        EXPECT_EQ(result.status, Failure);
        EXPECT_EQ(result.trace, std::vector<std::string>{c.trace});
    }
}

// Whole files with objects in object streams.

TEST(ObjectStreamReaderTest, ObjectStreamFetchesWorkInAnyOrderWithAndWithoutCache)
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

TEST(ObjectStreamReaderTest, ObjectStreamIsDecodedOnceForManyFetches)
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

TEST(ObjectStreamReaderTest, CacheDoesNotOutliveTheDocument)
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

TEST(ObjectStreamReaderTest, BadObjectStreamsGiveNullAndTrace)
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

TEST(ObjectStreamReaderTest, ObjectOutsideTheDecodedDataGivesNull)
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

TEST(ObjectStreamReaderTest, ObjectStreamLoopsAreStopped)
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

TEST(ObjectStreamReaderTest, StoreInObjectStreamsIsReadEntryByEntry)
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

TEST(ObjectStreamReaderTest, ObjectOutsideTheDecodedDataIsTraced)
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
