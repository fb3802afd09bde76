#include "pdf/parsing/XrefStreamReader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "StreamFileTestSupport.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/parsing/PDFParser.h"

namespace {

struct SegmentResult
{
    StatusCode status = Failure;
    XrefTable table;
    std::vector<std::string> trace;
};

// Reads count entries from first on out of the given decoded bytes into a table of tableSize
// fresh entries.
SegmentResult ReadSegment(const std::string& bytes, std::vector<int> widths, std::size_t tableSize,
                          std::uint64_t first, std::uint64_t count)
{
    TraceCapture trace;
    MemoryReader reader(bytes);
    SegmentResult result;
    result.table.assign(tableSize, XrefEntry());
    result.status = XrefStreamReader::ReadXrefStreamSegment(result.table, first, count, &reader,
                                                            widths.data(), widths.size());
    result.trace = trace.Lines();
    return result;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

void ExpectEntry(const XrefEntry& entry, XrefEntryType type, FilePosition position,
                 std::uint32_t generation)
{
    EXPECT_EQ(entry.mType, type);
    EXPECT_EQ(entry.mPosition, position);
    EXPECT_EQ(entry.mGeneration, generation);
}

} // namespace

TEST(XrefStreamReaderTest, SegmentEntriesAreReadBigEndianByTheirWidths)
{
    const std::string bytes = Bytes({0, 0, 0, 0xFF, /**/ 1, 0x01, 0x02, 0, /**/ 2, 0, 9, 3});
    const SegmentResult result = ReadSegment(bytes, {1, 2, 1}, 8, 5, 3);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[4], XrefEntryUndefined, 0, 0);
    ExpectEntry(result.table[5], XrefEntryFree, 0, 255);
    ExpectEntry(result.table[6], XrefEntryInFile, 0x0102, 0);
    ExpectEntry(result.table[7], XrefEntryInObjectStream, 9, 3);
}

TEST(XrefStreamReaderTest, WideFieldsKeepTheirHighBytes)
{
    const std::string bytes = Bytes({1, 0x7F, 1, 2, 3, 4, 5, 6, 7, 0xFE, 0xDC, 0xBA, 0x98});
    const SegmentResult result = ReadSegment(bytes, {1, 8, 4}, 1, 0, 1);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 0x7F01020304050607LL, 0xFEDCBA98u);
}

TEST(XrefStreamReaderTest, MissingTypeFieldMeansAnObjectInTheFile)
{
    const SegmentResult result = ReadSegment(Bytes({0, 17, 0, 40}), {0, 2, 0}, 2, 0, 2);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 17, 0);
    ExpectEntry(result.table[1], XrefEntryInFile, 40, 0);
}

TEST(XrefStreamReaderTest, EntriesBeyondTheTableAreReadAndDropped)
{
    const SegmentResult result =
        ReadSegment(Bytes({1, 10, 0, 1, 20, 0, 1, 30, 0}), {1, 1, 1}, 2, 1, 3);
    ASSERT_EQ(result.status, Success);
    ASSERT_EQ(result.table.size(), 2u);
    ExpectEntry(result.table[1], XrefEntryInFile, 10, 0);
}

TEST(XrefStreamReaderTest, DataEndingEarlyLeavesTheRestAlone)
{
    const SegmentResult result = ReadSegment(Bytes({1, 10, 0}), {1, 1, 1}, 3, 0, 3);
    ASSERT_EQ(result.status, Success);
    ExpectEntry(result.table[0], XrefEntryInFile, 10, 0);
    ExpectEntry(result.table[1], XrefEntryUndefined, 0, 0);
    EXPECT_TRUE(result.trace.empty());
}

TEST(XrefStreamReaderTest, BadSegmentsFailWithTheirTrace)
{
    struct BadCase
    {
        const char* what;
        std::string bytes;
        std::vector<int> widths;
        const char* trace;
    };
    const BadCase cases[] = {
        {"four widths",
         Bytes({1, 1, 1, 1}),
         {1, 1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, can handle only 3 length entries"},
        {"position field wider than 8 bytes",
         Bytes({1, 1, 1}),
         {1, 9, 1},
         "PDFParser::ReadXrefStreamSegment, field widths 1 9 1 do not fit the entry fields"},
        {"negative generation width",
         Bytes({1, 1, 1}),
         {1, 1, -1},
         "PDFParser::ReadXrefStreamSegment, field widths 1 1 -1 do not fit the entry fields"},
        {"type 3",
         Bytes({3, 1, 0}),
         {1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, unfamiliar entry type. must be either 0,1 or 2"},
        {"entry cut short",
         Bytes({1, 1, 0, 1, 2}),
         {1, 1, 1},
         "PDFParser::ReadXrefStreamSegment, failed to read xref entry 1"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const SegmentResult result = ReadSegment(c.bytes, c.widths, 4, 0, 4);
        EXPECT_EQ(result.status, Failure);
        EXPECT_EQ(result.trace, std::vector<std::string>{c.trace});
    }
}

// Whole files whose directory is, or includes, cross-reference streams.

TEST(XrefStreamReaderTest, ReadsDirectoryFromXrefStreamInEachEncoding)
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

TEST(XrefStreamReaderTest, WidthZeroTypeFieldMakesEveryEntryAnObjectInTheFile)
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

TEST(XrefStreamReaderTest, IndexSubsectionsAreReadInOrderAndGrowTheTable)
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

TEST(XrefStreamReaderTest, ShortDataLeavesRemainingEntriesAlone)
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

TEST(XrefStreamReaderTest, BadXrefStreamsFailWithTrace)
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

TEST(XrefStreamReaderTest, XrefStreamThatIsNotAStreamFails)
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

TEST(XrefStreamReaderTest, HybridFileReadsCompressedObjectsThroughXRefStm)
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

TEST(XrefStreamReaderTest, BadHybridStreamFailsTheDirectory)
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

TEST(XrefStreamReaderTest, PrevChainsMixBothKindsNewestWins)
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

TEST(XrefStreamReaderTest, PrevPointingAtItselfIsStopped)
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
