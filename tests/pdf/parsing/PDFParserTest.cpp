#include "pdf/parsing/PDFParser.h"

#include <string>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "PdfFileBuilder.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFObjectCast.h"

namespace {

const std::string kBinaryLine = "\x25\xBD\xBE\xBC\r\n";

// A store laid out as the store writer does it: binary comment line, catalog without a page
// tree, entries, trailer with /Root and /ID, %%EOF without a line end.
PdfFileBuilder StoreBuilder(const std::string& padding = "")
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddRaw(kBinaryLine);
    builder.AddObject(1, 0,
                      "<< /PPK << /AddressBook << /Entries [2 0 R 3 0 R] /NextID 3 >> /V 65537 "
                      ">> /Type /Catalog >>");
    builder.AddObject(2, 0, "<< /Cert <3082> /ID 1 /Pad (" + padding + ") >>");
    builder.AddObject(3, 0, "<< /Cert (abc) /ID 2 >>");
    builder.SetTrailerEntries("/Root 1 0 R /ID [<0123> <4567>]");
    return builder;
}

long long IntegerEntry(PDFDictionary* dictionary, const std::string& key)
{
    PDFObjectCastPtr<PDFInteger> value(dictionary->Lookup(key));
    return value.IsNull() ? -1 : value->GetValue();
}

// Fetches an object and reports the /ID integer of the dictionary, -1 when there is none.
long long FetchID(PDFParser& parser, ObjectNumber number)
{
    PDFObjectCastPtr<PDFDictionary> object(parser.ParseObjectByID(number));
    return object.IsNull() ? -1 : IntegerEntry(object.Get(), "ID");
}

} // namespace

TEST(PDFParserTest, StoreWithoutPageTreeLoadsDirectoryAndFailsAtPages)
{
    PdfFileBuilder builder = StoreBuilder();
    MemoryReader reader(builder.Build());
    PDFParser parser;
    TraceCapture trace;

    EXPECT_EQ(parser.ParseDocument(&reader), Failure);

    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"PDFParser::ParsePagesObjectIDs, failed to "
                                                      "read pages reference in catalog"});
    // The header-and-directory read loads the same and does not look for pages at all.
    MemoryReader again(builder.Build());
    PDFParser storeReader;
    EXPECT_EQ(storeReader.ParseHeaderAndDirectory(&again), Success);
    EXPECT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(storeReader.ObjectCount(), 4u);
    EXPECT_EQ(FetchID(storeReader, 3), 2);
    EXPECT_DOUBLE_EQ(parser.HeaderVersion(), 2.1);
    EXPECT_EQ(parser.XrefPosition(), builder.XrefOffsets().back());
    EXPECT_EQ(parser.ObjectCount(), 4u);
    EXPECT_EQ(parser.PageCount(), 0u);
    ASSERT_NE(parser.Trailer(), nullptr);
    EXPECT_TRUE(parser.Trailer()->Contains("ID"));
    PDFObjectCastPtr<PDFDictionary> catalog(parser.ParseObjectByID(1));
    EXPECT_FALSE(catalog.IsNull());
    EXPECT_EQ(FetchID(parser, 2), 1);
    EXPECT_EQ(FetchID(parser, 3), 2);
    EXPECT_EQ(parser.ParseObjectByID(0), nullptr);
}

TEST(PDFParserTest, ReadsFilesAroundTheBackwardWindow)
{
    // Sizes below, at and above the 1024-byte window, and several windows long.
    const std::size_t baseSize = StoreBuilder().Build().size();
    for (std::size_t target : {baseSize, std::size_t{1023}, std::size_t{1024}, std::size_t{1025},
                               std::size_t{1500}, std::size_t{5000}}) {
        SCOPED_TRACE(target);
        if (target < baseSize) {
            continue;
        }
        // Longer offsets can add digits to startxref; shrink the padding to match.
        std::string bytes = StoreBuilder(std::string(target - baseSize, 'x')).Build();
        bytes = StoreBuilder(std::string(target - baseSize - (bytes.size() - target), 'x')).Build();
        ASSERT_EQ(bytes.size(), target);
        MemoryReader reader(bytes);
        PDFParser parser;
        (void)parser.ParseDocument(&reader); // fails at the missing page tree, checked above
        EXPECT_EQ(parser.ObjectCount(), 4u);
        EXPECT_EQ(FetchID(parser, 3), 2);
    }
}

TEST(PDFParserTest, EndOfFileScanReadsOnlyTheTail)
{
    const std::string bytes = StoreBuilder(std::string(100000, 'x')).Build();
    MemoryReader reader(bytes);
    PDFParser parser;
    (void)parser.ParseDirectoryOnly(&reader);
    // Header is not read here; the scan, the table and the trailer sit in the last window.
    EXPECT_LT(reader.BytesRead(), 2048u);
    EXPECT_EQ(parser.ObjectCount(), 4u);
}

TEST(PDFParserTest, AcceptsLineEndVariants)
{
    struct Case
    {
        const char* what;
        std::string lineEnd, entryLineEnd, finalLineEnd;
    };
    const Case cases[] = {
        {"CR LF everywhere", "\r\n", "\r\n", ""},
        {"LF lines, space LF entries", "\n", " \n", "\n"},
        {"CR lines, space CR entries", "\r", " \r", "\r"},
        {"trailing white space after the marker", "\r\n", "\r\n", "\r\n   \r\n"},
    };
    for (const Case& c : cases) {
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.SetLineEnd(c.lineEnd).SetEntryLineEnd(c.entryLineEnd);
        builder.SetFinalLineEnd(c.finalLineEnd);
        for (std::uint32_t id = 1; id <= 5; ++id) {
            builder.AddObject(id, 0, "<< /ID " + std::to_string(id + 6) + " >>");
        }
        const std::string bytes = builder.Build();
        // Straight from memory, and through buffers that end inside and between entries.
        for (const IOByteCount bufferSize : {IOByteCount{0}, IOByteCount{7}, IOByteCount{21},
                                             InputBufferedStream::kDefaultBufferSize}) {
            SCOPED_TRACE(std::string(c.what) + ", buffer " + std::to_string(bufferSize));
            MemoryReader reader(bytes);
            InputBufferedStream buffered(new MemoryReader(bytes), bufferSize);
            PDFParser parser;
            // No /Root: fails at the page tree.
            (void)parser.ParseDocument(
                bufferSize == 0 ? static_cast<IByteReaderWithPosition*>(&reader) : &buffered);
            EXPECT_EQ(FetchID(parser, 1), 7);
            EXPECT_EQ(FetchID(parser, 5), 11);
        }
    }
}

TEST(PDFParserTest, FindsXrefPositionInEachLayout)
{
    const std::string body = "%PPKLITE-2.1\r\n1 0 obj\r\n<< /ID 5 >>\r\nendobj\r\n";
    const std::string table = "xref\r\n0 2\r\n0000000000 65535 f\r\n0000000014 00000 n\r\n"
                              "trailer<</Size 2>>\r\n";
    const std::string offset = std::to_string(body.size());
    const std::string endings[] = {
        "startxref\r\n" + offset + "\r\n%%EOF",
        "startxref " + offset + "\r\n%%EOF",
        "junk startxref " + offset + "\r\n%%EOFX",
    };
    for (const std::string& ending : endings) {
        SCOPED_TRACE(ending);
        MemoryReader reader(body + table + ending);
        PDFParser parser;
        (void)parser.ParseDocument(&reader);
        EXPECT_EQ(parser.XrefPosition(), static_cast<FilePosition>(body.size()));
        EXPECT_EQ(FetchID(parser, 1), 5);
    }
}

struct BadFileCase
{
    const char* what;
    std::string bytes;
    std::string trace;
};

TEST(PDFParserTest, BadFilesFailWithTrace)
{
    const std::string good = StoreBuilder().Build();
    const std::string withoutEOF = good.substr(0, good.size() - 5);
    const BadFileCase cases[] = {
        {"empty file", "",
         "PDFParser::ParseHeaderLine, no tokens in PDF input. in other words - it's empty."},
        {"white space only", " \r\n ",
         "PDFParser::ParseHeaderLine, no tokens in PDF input. in other words - it's empty."},
        {"PDF header", "%PDF-1.4\r\n" + good.substr(14),
         "PDFParser::ParseHeaderLine, file does not begin as a PDF file. a PDF file should "
         "start with \"%PDF-\". file header = %PDF-1.4"},
        {"short header", "%PPK\r\n",
         "PDFParser::ParseHeaderLine, file does not begin as a PDF file. a PDF file should "
         "start with \"%PDF-\". file header = %PPK"},
        {"header only", "%PPKLITE-2.1\r\n",
         "PDFParser::ParseEOFLine, failure, last line not %%EOF"},
        {"last line is startxref", withoutEOF,
         "PDFParser::ParseEOFLine, failure, last line not %%EOF"},
        {"nothing before the marker", "%PPKLITE-2.1\r\n%%EOF",
         "PDFParser::ParseXrefPosition, syntax error in reading xref position"},
        {"offset without keyword", "%PPKLITE-2.1\r\n12\r\n%%EOF",
         "PDFParser::ParseXrefPosition, syntax error in reading xref position"},
        {"keyword missing", "%PPKLITE-2.1\r\nabc def\r\n%%EOF",
         "PDFParser::ParseXrefPosition, could not find startxref keyword"},
        {"xref position beyond the file", "%PPKLITE-2.1\r\nstartxref\r\n99999\r\n%%EOF",
         "PDFParser::ParseFileDirectory, xref position 99999 is outside the file"},
        {"xref position at a name", "%PPKLITE-2.1\r\n/x\r\nstartxref\r\n14\r\n%%EOF",
         "PDFParser::ParseFileDirectory,Unexpected object at xref start"},
        {"no trailer keyword", "%PPKLITE-2.1\r\nxref\r\nstartxref\r\n14\r\n%%EOF",
         "PDFParser::ParseTrailerDictionary, trailer not found..."},
        {"trailer is not a dictionary",
         "%PPKLITE-2.1\r\nxref trailer 5\r\nstartxref\r\n14\r\n%%EOF",
         "PDFParser::ParseTrailerDictionary, failure to parse trailer dictionary"},
    };
    // The header-and-directory read stops at the same faults, with the same lines.
    for (const bool wholeDocument : {true, false}) {
        for (const BadFileCase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (wholeDocument ? "" : ", header and directory"));
            MemoryReader reader(c.bytes);
            PDFParser parser;
            TraceCapture trace;
            EXPECT_EQ(wholeDocument ? parser.ParseDocument(&reader)
                                    : parser.ParseHeaderAndDirectory(&reader),
                      Failure);
            EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
            EXPECT_EQ(parser.ParseObjectByID(1), nullptr);
        }
    }
}

TEST(PDFParserTest, HostileTablesAreRefused)
{
    const std::string good = StoreBuilder().Build();
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string bytes = good;
        bytes.replace(bytes.find(from), from.size(), to);
        return bytes;
    };
    const BadFileCase cases[] = {
        {"huge /Size", replaced("/Size 4", "/Size 9999999"),
         "PDFParser::SetupTableSize, table size 9999999 is more than the file could hold"},
        {"negative /Size", replaced("/Size 4", "/Size -4"),
         "PDFParser::SetupTableSize, table size -4 is more than the file could hold"},
        {"huge subsection", replaced("0 4\r\n", "0 4000000000\r\n"),
         "PDFParser::ParseXref, subsection 0 4000000000 reaches beyond what the file could hold"},
        {"subsection overflowing 32 bits", replaced("0 4\r\n", "4294967295 2\r\n"),
         "PDFParser::ParseXref, subsection 4294967295 2 reaches beyond what the file could hold"},
        {"count too big for the entries present", replaced("0 4\r\n", "0 900\r\n"),
         "PDFParser::ParseXref, failed to read xref entry"},
        {"garbage subsection header", replaced("0 4\r\n", "zero 4\r\n"),
         "PDFParser::ParseXref, unexpected first object number in subsection header = zero"},
        {"hybrid offset at a plain object", replaced("/Size 4", "/Size 4 /XRefStm 20"),
         "PDFParser::ParseDirectory, failure to parse xref in hybrid mode"},
        {"cross-reference stream without length",
         replaced("xref\r\n0 4", "9 0 obj << /Size 4 >> stream\r\n"),
         "PDFParser::CreateInputStreamReader, stream does not have length, failing"},
    };
    for (const BadFileCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryReader reader(c.bytes);
        PDFParser parser;
        TraceCapture trace;
        EXPECT_EQ(parser.ParseDocument(&reader), Failure);
        EXPECT_TRUE(trace.Contains(c.trace)) << (trace.Lines().empty() ? "" : trace.Lines()[0]);
    }
}

TEST(PDFParserTest, SubsectionBeyondSizeGrowsTable)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0, "<< /ID 1 >>").AddObject(5, 0, "<< /ID 5 >>").SetSize(2);
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(parser.ObjectCount(), 6u);
    EXPECT_EQ(FetchID(parser, 5), 5);
    EXPECT_EQ(parser.XrefEntryFor(3)->mType, XrefEntryUndefined);
    EXPECT_EQ(parser.XrefEntryFor(6), nullptr);
}

TEST(PDFParserTest, PrevChainMergesOldestFirst)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0, "<< /ID 100 >>").AddObject(2, 0, "<< /ID 200 >>");
    builder.StartUpdate().AddObject(2, 0, "<< /ID 201 >>").AddObject(3, 0, "<< /ID 300 >>");
    builder.StartUpdate().AddObject(3, 0, "<< /ID 301 >>").AddFreeEntry(1, 1);
    MemoryReader reader(builder.Build());
    PDFParser parser;
    TraceCapture trace;
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(parser.ObjectCount(), 4u);
    EXPECT_EQ(parser.ParseObjectByID(1), nullptr); // freed in the newest section
    EXPECT_EQ(parser.XrefEntryFor(1)->mType, XrefEntryFree);
    EXPECT_EQ(FetchID(parser, 2), 201);
    EXPECT_EQ(FetchID(parser, 3), 301);
}

TEST(PDFParserTest, PrevLoopIsStopped)
{
    // The oldest section's /Prev is patched to point at the newest one, closing a loop.
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0, "<< /ID 1 >>").SetTrailerEntries("/Prev 0000000000");
    std::string bytes = builder.StartUpdate().AddObject(2, 0, "<< /ID 2 >>").Build();
    // The builder writes its own /Prev only for updates; the first trailer carries ours.
    char offset[16];
    std::snprintf(offset, sizeof(offset), "%010lld",
                  static_cast<long long>(builder.XrefOffsets().back()));
    bytes.replace(bytes.find("/Prev 0000000000"), 16, std::string("/Prev ") + offset);

    MemoryReader reader(bytes);
    PDFParser parser;
    TraceCapture trace;
    (void)parser.ParseDocument(&reader);
    EXPECT_TRUE(trace.Contains("PDFParser::ParsePreviousXrefs, prev points back to a section "
                               "already read, at " +
                               std::to_string(builder.XrefOffsets().back()) +
                               ". ignoring the rest of the chain"));
    EXPECT_EQ(FetchID(parser, 1), 1);
    EXPECT_EQ(FetchID(parser, 2), 2);
}

TEST(PDFParserTest, BadPrevFails)
{
    struct Case
    {
        const char* what;
        std::string prev;
        std::string trace;
    };
    const Case cases[] = {
        {"not an integer", "/Prev /x",
         "PDFParser::ParsePreviousXrefs, unexpected, prev is not integer"},
        {"outside the file", "/Prev 999999",
         "PDFParser::ParsePreviousDirectory, previous section offset 999999 is outside the file"},
        {"at an object", "/Prev 14",
         "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to parse xref stream"},
        {"at a dictionary", "/Prev 23",
         "PDFParser::ParseDirectory,Unexpected object at xref start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PdfFileBuilder builder("%PPKLITE-2.1");
        builder.AddObject(1, 0, "<< /ID 1 >>").SetTrailerEntries(c.prev);
        MemoryReader reader(builder.Build());
        PDFParser parser;
        TraceCapture trace;
        EXPECT_EQ(parser.ParseDocument(&reader), Failure);
        EXPECT_TRUE(trace.Contains(c.trace));
    }
}

TEST(PDFParserTest, FetchFailuresGiveNull)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(7, 0, "<< /ID 7 >>");
    builder.AddEntryAt(8, 0, builder.OffsetOf(7)); // points at object 7
    builder.AddEntryAt(9, 3, builder.OffsetOf(7)); // wrong generation
    builder.AddEntryAt(10, 0, 999999);             // beyond the file
    builder.AddFreeEntry(11, 0);
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader);

    struct Case
    {
        ObjectNumber id;
        std::vector<std::string> trace;
    };
    const Case cases[] = {
        {8,
         {"PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
          "exepected ID = 8, found 7"}},
        {9,
         {"PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
          "exepected ID = 9, found 7"}},
        {10, {"PDFParser::ParseExistingInDirectObject, failed to read object declaration, ID"}},
        {11, {}},
        {12, {}},
        {0xFFFFFFFFu, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        TraceCapture trace;
        EXPECT_EQ(parser.ParseObjectByID(c.id), nullptr);
        EXPECT_EQ(trace.Lines(), c.trace);
    }
}

TEST(PDFParserTest, GenerationMismatchGivesNull)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 2, "<< /ID 1 >>");
    std::string bytes = builder.Build();
    bytes.replace(bytes.find("00002 n"), 7, "00003 n");
    MemoryReader reader(bytes);
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    TraceCapture trace;
    EXPECT_EQ(parser.ParseObjectByID(1), nullptr);
    EXPECT_TRUE(trace.Contains("PDFParser::ParseExistingInDirectObject, failed to read object "
                               "declaration, exepected version = 3, found 2"));
}

TEST(PDFParserTest, RepeatedFetchesGiveDistinctObjects)
{
    MemoryReader reader(StoreBuilder().Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    PDFObjectCastPtr<PDFDictionary> first(parser.ParseObjectByID(2));
    PDFObjectCastPtr<PDFDictionary> second(parser.ParseObjectByID(2));
    ASSERT_FALSE(first.IsNull());
    ASSERT_FALSE(second.IsNull());
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(IntegerEntry(first.Get(), "ID"), IntegerEntry(second.Get(), "ID"));
}

TEST(PDFParserTest, ResolvesOneLevelOfReference)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0, "<< /Direct 5 /Ref 2 0 R /Missing 9 0 R >>");
    builder.AddObject(2, 0, "3 0 R");
    builder.AddObject(3, 0, "[4 2 0 R]");
    MemoryReader reader(builder.Build());
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    PDFObjectCastPtr<PDFDictionary> root(parser.ParseObjectByID(1));
    ASSERT_FALSE(root.IsNull());

    PDFObjectCastPtr<PDFInteger> direct(parser.ResolveDictionaryEntry(root.Get(), "Direct"));
    EXPECT_EQ(direct->GetValue(), 5);
    RefCountPtr<PDFObject> reference(parser.ResolveDictionaryEntry(root.Get(), "Ref"));
    ASSERT_FALSE(reference.IsNull());
    EXPECT_EQ(reference->GetType(), PDFObject::ePDFObjectIndirectObjectReference);
    EXPECT_EQ(parser.ResolveDictionaryEntry(root.Get(), "Missing"), nullptr);
    EXPECT_EQ(parser.ResolveDictionaryEntry(root.Get(), "Absent"), nullptr);

    PDFObjectCastPtr<PDFArray> array(parser.ParseObjectByID(3));
    ASSERT_FALSE(array.IsNull());
    PDFObjectCastPtr<PDFIndirectObjectReference> item(parser.ResolveArrayItem(array.Get(), 1));
    EXPECT_EQ(item->ObjectID, 3u); // object 2 holds a reference, returned as it is
    EXPECT_EQ(parser.ResolveArrayItem(array.Get(), 2), nullptr);
}

TEST(PDFParserTest, TrailerRightAfterKeywordIsRead)
{
    PdfFileBuilder builder("%PPKLITE-2.1");
    builder.AddObject(1, 0, "<< /ID 1 >>");
    std::string bytes = builder.Build();
    bytes.replace(bytes.find("trailer\r\n<<"), 11, "trailer<<");
    MemoryReader reader(bytes);
    PDFParser parser;
    (void)parser.ParseDocument(&reader);
    EXPECT_EQ(FetchID(parser, 1), 1);
}

TEST(PDFParserTest, ParsingAgainStartsOver)
{
    MemoryReader store(StoreBuilder().Build());
    MemoryReader empty("");
    PDFParser parser;
    (void)parser.ParseDocument(&store);
    ASSERT_EQ(parser.ObjectCount(), 4u);
    EXPECT_EQ(parser.ParseDocument(&empty), Failure);
    EXPECT_EQ(parser.ObjectCount(), 0u);
    EXPECT_EQ(parser.Trailer(), nullptr);
    EXPECT_EQ(parser.ParseObjectByID(1), nullptr);
    EXPECT_EQ(parser.ParseDocument(nullptr), Failure);
}

TEST(PDFParserTest, DirectoryOnlyOfBlankFileFails)
{
    MemoryReader reader(" \r\n\t ");
    PDFParser parser;
    TraceCapture trace;
    EXPECT_EQ(parser.ParseDirectoryOnly(&reader), Failure);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"PDFParser::ParseEOFLine, Couldn't find tokens in file"});
}

TEST(PDFParserTest, NoStreamFailsEachEntryWithTrace)
{
    PDFParser parser;
    TraceCapture trace;
    EXPECT_EQ(parser.ParseDocument(nullptr), Failure);
    EXPECT_EQ(parser.ParseHeaderAndDirectory(nullptr), Failure);
    EXPECT_EQ(parser.ParseDirectoryOnly(nullptr), Failure);
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>(3, "PDFParser::StartDocument, no stream to read"));
}
