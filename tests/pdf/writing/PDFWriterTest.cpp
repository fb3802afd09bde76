#include "pdf/writing/PDFWriter.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "TempFolder.h"
#include "WritingTestDoubles.h"
#include "platform/Platform.h"

namespace {

const std::string kGoldenDir = WRITING_GOLDEN_DIR;

WriterSettings FixedDateSettings()
{
    WriterSettings settings;
    settings.mDocumentIDDateString = "D:20240102030405Z";
    return settings;
}

// Checks that the trailer's /ID holds two equal 32-digit lower-case hex values and replaces
// their digits with zeros, so that a file whose path varies can be compared whole.
::testing::AssertionResult MaskDocumentID(std::string& bytes)
{
    const std::string marker = "/ID [ <";
    const std::size_t at = bytes.find(marker);
    if (at == std::string::npos || at + marker.size() + 32 + 3 + 32 > bytes.size()) {
        return ::testing::AssertionFailure() << "no /ID entry";
    }
    const std::size_t first = at + marker.size();
    const std::size_t second = first + 32 + 3;
    const std::string a = bytes.substr(first, 32);
    const std::string b = bytes.substr(second, 32);
    if (a != b || a.find_first_not_of("0123456789abcdef") != std::string::npos ||
        bytes.substr(first + 32, 3) != "> <") {
        return ::testing::AssertionFailure() << "bad /ID: " << EscapedExcerpt(bytes, first);
    }
    bytes.replace(first, 32, std::string(32, '0'));
    bytes.replace(second, 32, std::string(32, '0'));
    return ::testing::AssertionSuccess();
}

// Everything the writer can put in an object: nested dictionaries, arrays, every value
// kind, a compressed stream with a length object and an uncompressed direct-length stream.
void WriteSampleObjects(ObjectsContext& objects)
{
    ASSERT_EQ(objects.StartIndirectObject(), 1u);
    DictionaryContext* catalog = objects.StartDictionary();
    ASSERT_EQ(catalog->WriteKey("Type"), Success);
    catalog->WriteNameValue("Catalog");
    ASSERT_EQ(catalog->WriteKey("PPK"), Success);
    DictionaryContext* ppk = objects.StartDictionary();
    ASSERT_EQ(ppk->WriteKey("AddressBook"), Success);
    DictionaryContext* book = objects.StartDictionary();
    ASSERT_EQ(book->WriteKey("Entries"), Success);
    objects.StartArray();
    objects.WriteIndirectObjectReference(2, SeparatorSpace);
    objects.WriteIndirectObjectReference(4, SeparatorSpace);
    objects.EndArray(SeparatorNone);
    ASSERT_EQ(book->WriteKey("NextID"), Success);
    book->WriteIntegerValue(9223372036854775807LL);
    ASSERT_EQ(objects.EndDictionary(book), Success);
    ASSERT_EQ(ppk->WriteKey("Type"), Success);
    ASSERT_EQ(ppk->WriteKey("PPK"), Success); // a name written as a second key, as stores do
    ASSERT_EQ(objects.EndDictionary(ppk), Success);
    ASSERT_EQ(catalog->WriteKey("Mixed"), Success);
    objects.StartArray();
    objects.WriteBoolean(true, SeparatorSpace);
    objects.WriteNull(SeparatorSpace);
    objects.WriteInteger(-42, SeparatorSpace);
    objects.WriteReal(0.25, SeparatorSpace);
    objects.WriteLiteralString("a(b)\\\n\xE9", SeparatorSpace);
    objects.WriteHexString("00ff", SeparatorSpace);
    objects.WriteName("A B#", SeparatorSpace);
    objects.StartArray();
    objects.EndArray(SeparatorSpace);
    objects.EndArray(SeparatorEndLine);
    ASSERT_EQ(catalog->WriteKey("Rect"), Success);
    catalog->WriteRectangleValue(0, 0, 612.5, 792);
    ASSERT_EQ(catalog->WriteKey("Flag"), Success);
    catalog->WriteBooleanValue(false);
    ASSERT_EQ(catalog->WriteKey("Nothing"), Success);
    catalog->WriteNullValue();
    ASSERT_EQ(catalog->WriteKey("Text"), Success);
    catalog->WriteLiteralStringValue("Hello");
    ASSERT_EQ(catalog->WriteKey("Cert"), Success);
    catalog->WriteHexStringValue("3082");
    ASSERT_EQ(catalog->WriteKey("Scale"), Success);
    catalog->WriteRealValue(-1.5);
    ASSERT_EQ(catalog->WriteKey("Ref"), Success);
    catalog->WriteObjectReferenceValue(2);
    ASSERT_EQ(objects.EndDictionary(catalog), Success);
    objects.EndIndirectObject();

    ASSERT_EQ(objects.StartIndirectObject(), 2u);
    std::unique_ptr<PDFStreamOutput> compressed = objects.StartStream();
    ASSERT_NE(compressed, nullptr);
    const std::string content = "BT /F1 12 Tf (compressed content) Tj ET\n";
    for (int i = 0; i < 4; ++i) {
        (void)compressed->GetWriteStream()->Write(reinterpret_cast<const Byte*>(content.data()),
                                                  static_cast<IOByteCount>(content.size()));
    }
    ASSERT_EQ(objects.EndStream(compressed.get()), Success);

    objects.SetCompressStreams(false);
    ASSERT_EQ(objects.StartIndirectObject(), 4u);
    std::unique_ptr<PDFStreamOutput> direct = objects.StartStream(nullptr, true);
    ASSERT_NE(direct, nullptr);
    (void)direct->GetWriteStream()->Write(reinterpret_cast<const Byte*>("raw\r\n"), 5);
    ASSERT_EQ(objects.EndStream(direct.get()), Success);
    objects.SetCompressStreams(true);
}

TEST(PDFWriterTest, EmptyStoreMatchesGolden)
{
    MemoryWriter output;
    PDFWriter writer;
    ASSERT_EQ(writer.StartPDFForStream(&output, PPKLiteVersion21, TraceLogSettings::Default(),
                                       FixedDateSettings()),
              Success);
    ASSERT_EQ(writer.EndPDF(), Success);
    EXPECT_TRUE(MatchesGoldenFile(kGoldenDir + "/empty-store.acrodata", output.mBytes));
    EXPECT_EQ(output.mBytes.substr(output.mBytes.size() - 5), "%%EOF");
    EXPECT_NE(output.mBytes.find("startxref\r\n20\r\n%%EOF"), std::string::npos);
    EXPECT_EQ(output.mBytes.substr(20, 6), "xref\r\n");
}

TEST(PDFWriterTest, EmptyStoreFileMatchesGoldenExceptTheID)
{
    TempFolder folder;
    const std::string path = folder.PathOf("addressbook.acrodata-new");
    PDFWriter writer;
    ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21), Success);
    ASSERT_EQ(writer.EndPDF(), Success);
    std::string bytes = TempFolder::ReadFile(path);
    ASSERT_TRUE(MaskDocumentID(bytes));
    EXPECT_TRUE(MatchesGoldenFile(kGoldenDir + "/empty-store-masked.acrodata", bytes));
}

TEST(PDFWriterTest, SampleDocumentMatchesGolden)
{
    MemoryWriter output;
    PDFWriter writer;
    ASSERT_EQ(writer.StartPDFForStream(&output, ePDFVersion14, TraceLogSettings::Default(),
                                       FixedDateSettings()),
              Success);
    WriteSampleObjects(writer.GetObjectsContext());
    ASSERT_EQ(writer.EndPDF(), Success);
    EXPECT_TRUE(MatchesGoldenFile(kGoldenDir + "/sample-document.pdf", output.mBytes));
}

TEST(PDFWriterTest, StartxrefPointsAtTheXrefLine)
{
    MemoryWriter output;
    PDFWriter writer;
    ASSERT_EQ(writer.StartPDFForStream(&output, PPKLiteVersion21), Success);
    WriteSampleObjects(writer.GetObjectsContext());
    ASSERT_EQ(writer.EndPDF(), Success);
    const std::string& bytes = output.mBytes;
    const std::size_t startxref = bytes.rfind("startxref\r\n");
    ASSERT_NE(startxref, std::string::npos);
    const std::size_t offset = std::stoul(bytes.substr(startxref + 11));
    EXPECT_EQ(bytes.substr(offset, 6), "xref\r\n");
    EXPECT_NE(bytes.find("/Size 5\r\n"), std::string::npos);
    ASSERT_TRUE(MaskDocumentID(output.mBytes)); // the current date in the ID: still well formed
}

TEST(PDFWriterTest, ObjectNeverWrittenFailsEndPDFWithTheFileEndingInTheTable)
{
    TempFolder folder;
    const std::string path = folder.PathOf("unfinished.acrodata");
    PDFWriter writer;
    TraceCapture trace;
    ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21, trace.Settings()), Success);
    ObjectsContext& objects = writer.GetObjectsContext();
    (void)objects.StartIndirectObject();
    objects.EndIndirectObject();
    (void)objects.GetReferencesRegistry().AllocateObjectID();
    EXPECT_EQ(writer.EndPDF(), Failure);
    EXPECT_EQ(trace.Messages(), "ObjectsContext::WriteXrefTable, Unexpected Failure. Object of ID "
                                "= 2 was not registered as written. probably means it was not "
                                "written\nPDFWriter::EndPDF, Could not end PDF\n");
    const std::string bytes = TempFolder::ReadFile(path);
    const std::string tail = "xref\r\n0 3\r\n0000000000 65535 f\r\n0000000020 00000 n\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    // Both contexts are clean for the next document.
    EXPECT_EQ(objects.GetReferencesRegistry().GetObjectsCount(), 1u);
    EXPECT_EQ(objects.GetCurrentOutputStream(), nullptr);
}

TEST(PDFWriterTest, UnwritableOutputFileIsReported)
{
    TempFolder folder;
    const std::string path = folder.PathOf("missing-folder") + platform::kPathSeparator + "x.pdf";
    PDFWriter writer;
    TraceCapture trace;
    EXPECT_EQ(writer.StartPDF(path, PPKLiteVersion21, trace.Settings()), Failure);
    EXPECT_NE(
        trace.Messages().find("OutputFile::OpenFile, Unexpected Failure. Cannot open file for "
                              "writing"),
        std::string::npos);
    EXPECT_EQ(writer.GetObjectsContext().GetCurrentOutputStream(), nullptr);
    // A caller that goes on anyway writes nothing and cannot finish.
    (void)writer.GetObjectsContext().StartIndirectObject();
    EXPECT_EQ(writer.EndPDF(), Failure);
    EXPECT_FALSE(platform::PathExists(path));
}

TEST(PDFWriterTest, StartPDFAppliesTheTraceSettings)
{
    TempFolder folder;
    MemoryWriter log;
    TraceLogSettings settings;
    settings.mShouldLog = true;
    settings.mLogStream = &log;
    PDFWriter writer;
    EXPECT_EQ(writer.StartPDF(folder.PathOf("no") + platform::kPathSeparator + "x", ePDFVersion17,
                              settings),
              Failure);
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
    EXPECT_NE(log.mBytes.find("OutputFile::OpenFile"), std::string::npos);
}

TEST(PDFWriterTest, OutputThatFailsAtAnyByteIsReported)
{
    MemoryWriter reference;
    {
        PDFWriter writer;
        ASSERT_EQ(writer.StartPDFForStream(&reference, PPKLiteVersion21), Success);
        WriteSampleObjects(writer.GetObjectsContext());
        ASSERT_EQ(writer.EndPDF(), Success);
    }
    const std::size_t size = reference.mBytes.size();
    for (std::size_t limit :
         {std::size_t{0}, std::size_t{5}, std::size_t{20}, size / 2, size - 6, size - 1}) {
        SCOPED_TRACE(limit);
        MemoryWriter output(limit);
        PDFWriter writer;
        TraceCapture trace;
        ASSERT_EQ(writer.StartPDFForStream(&output, PPKLiteVersion21, trace.Settings()), Success);
        WriteSampleObjects(writer.GetObjectsContext());
        EXPECT_EQ(writer.EndPDF(), Failure);
        // The compressor may have traced its own short write before.
        const std::string last = "PDFWriter::EndPDF, Could not write all bytes to the output\n";
        const std::string messages = trace.Messages();
        ASSERT_GE(messages.size(), last.size());
        EXPECT_EQ(messages.substr(messages.size() - last.size()), last);
        EXPECT_EQ(output.mBytes.size(), limit);
    }
}

TEST(PDFWriterTest, FullDiskFailsEndPDF)
{
    if (!platform::PathExists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    PDFWriter writer;
    TraceCapture trace;
    ASSERT_EQ(writer.StartPDF("/dev/full", PPKLiteVersion21, trace.Settings()), Success);
    EXPECT_EQ(writer.EndPDF(), Failure);
    EXPECT_NE(trace.Messages().find("PDFWriter::EndPDF, Could not close output file"),
              std::string::npos);
    WriterSettings flush;
    flush.mFlushToDisk = true;
    trace.Clear();
    ASSERT_EQ(writer.StartPDF("/dev/full", PPKLiteVersion21, trace.Settings(), flush), Success);
    EXPECT_EQ(writer.EndPDF(), Failure);
    EXPECT_NE(trace.Messages().find("PDFWriter::EndPDF, Could not flush output file to disk"),
              std::string::npos);
}

TEST(PDFWriterTest, WriterCanBeUsedAgainAndFlushToDisk)
{
    TempFolder folder;
    PDFWriter writer;
    WriterSettings settings;
    settings.mFlushToDisk = true;
    for (const char* name : {"first.acrodata", "second.acrodata"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.PathOf(name);
        ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21, TraceLogSettings::Default(), settings),
                  Success);
        ASSERT_EQ(writer.GetObjectsContext().StartIndirectObject(), 1u);
        writer.GetObjectsContext().EndIndirectObject();
        ASSERT_EQ(writer.EndPDF(), Success);
        std::string bytes = TempFolder::ReadFile(path);
        ASSERT_TRUE(MaskDocumentID(bytes));
        EXPECT_NE(bytes.find("xref\r\n0 2\r\n"), std::string::npos);
        EXPECT_NE(bytes.find("/Size 2\r\n"), std::string::npos);
    }
}

// A catalog and uncompressed streams of 1 MiB each, enough for several flush-behind rounds.
void WriteLargeDocument(ObjectsContext& objects, int streams)
{
    ASSERT_EQ(objects.StartIndirectObject(), 1u);
    DictionaryContext* catalog = objects.StartDictionary();
    ASSERT_EQ(catalog->WriteKey("Type"), Success);
    catalog->WriteNameValue("Catalog");
    ASSERT_EQ(objects.EndDictionary(catalog), Success);
    objects.EndIndirectObject();
    std::string content(std::size_t{1} << 20, '\0');
    for (int i = 0; i < streams; ++i) {
        for (std::size_t at = 0; at < content.size(); ++at) {
            content[at] = static_cast<char>((at * 7 + static_cast<std::size_t>(i)) % 251);
        }
        (void)objects.StartIndirectObject();
        std::unique_ptr<PDFStreamOutput> stream = objects.StartRawStream();
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(stream->GetWriteStream()->Write(reinterpret_cast<const Byte*>(content.data()),
                                                  static_cast<IOByteCount>(content.size())),
                  content.size());
        ASSERT_EQ(objects.EndStream(stream.get()), Success);
    }
}

TEST(PDFWriterTest, FlushToDiskWritesTheSameBytesAsWithout)
{
    TempFolder folder;
    const std::string path = folder.PathOf("large.acrodata"); // the same path: the same /ID
    std::string withoutFlush;
    for (bool flush : {false, true}) {
        SCOPED_TRACE(flush);
        WriterSettings settings = FixedDateSettings();
        settings.mFlushToDisk = flush;
        PDFWriter writer;
        ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21, TraceLogSettings::Default(), settings),
                  Success);
        WriteLargeDocument(writer.GetObjectsContext(), 30);
        ASSERT_EQ(writer.EndPDF(), Success);
        std::string bytes = TempFolder::ReadFile(path);
        ASSERT_GT(bytes.size(), std::size_t{30} << 20);
        if (!flush) {
            withoutFlush = std::move(bytes);
            continue;
        }
        ASSERT_EQ(bytes.size(), withoutFlush.size());
        const std::size_t differs =
            std::mismatch(bytes.begin(), bytes.end(), withoutFlush.begin()).first - bytes.begin();
        EXPECT_EQ(differs, bytes.size()) << EscapedExcerpt(bytes, differs) << " instead of "
                                         << EscapedExcerpt(withoutFlush, differs);
    }
}

TEST(PDFWriterTest, FinishPDFLeavesTheWholeFileReadableBeforeEndPDF)
{
    TempFolder folder;
    const std::string path = folder.PathOf("store.acrodata");
    WriterSettings settings = FixedDateSettings();
    settings.mFlushToDisk = true;
    for (bool finished : {true, false}) {
        SCOPED_TRACE(finished);
        PDFWriter writer;
        ASSERT_EQ(writer.StartPDF(path, PPKLiteVersion21, TraceLogSettings::Default(), settings),
                  Success);
        WriteLargeDocument(writer.GetObjectsContext(), 3);
        TraceCapture trace;
        if (!finished) {
            (void)writer.GetObjectsContext()
                .GetReferencesRegistry()
                .AllocateObjectID(); // unwritten
        }
        EXPECT_EQ(writer.FinishPDF(), finished ? Success : Failure);
        const std::string seen = TempFolder::ReadFile(path); // the file is still open
        EXPECT_EQ(writer.EndPDF(), finished ? Success : Failure);
        const std::string bytes = TempFolder::ReadFile(path);
        if (finished) {
            EXPECT_EQ(seen, bytes);
            EXPECT_EQ(bytes.substr(bytes.size() - 5), "%%EOF");
            EXPECT_EQ(trace.Messages(), "");
        } else {
            // Traced once, by the step that failed; EndPDF only closes the file.
            const std::string last = "PDFWriter::FinishPDF, Could not end PDF\n";
            ASSERT_GE(trace.Messages().size(), last.size());
            EXPECT_EQ(trace.Messages().substr(trace.Messages().size() - last.size()), last);
            EXPECT_EQ(trace.Messages().find("EndPDF"), std::string::npos);
        }
    }
}

TEST(PDFWriterTest, FinishPDFThenEndPDFWritesWhatEndPDFWrites)
{
    std::string endOnly;
    for (bool finishFirst : {false, true}) {
        SCOPED_TRACE(finishFirst);
        MemoryWriter output;
        PDFWriter writer;
        ASSERT_EQ(writer.StartPDFForStream(&output, PPKLiteVersion21, TraceLogSettings::Default(),
                                           FixedDateSettings()),
                  Success);
        WriteSampleObjects(writer.GetObjectsContext());
        if (finishFirst) {
            ASSERT_EQ(writer.FinishPDF(), Success);
            ASSERT_EQ(writer.FinishPDF(), Success); // the end is written once
        }
        ASSERT_EQ(writer.EndPDF(), Success);
        if (!finishFirst) {
            endOnly = output.mBytes;
            continue;
        }
        EXPECT_EQ(output.mBytes, endOnly);
    }
}

TEST(PDFWriterTest, StartPDFForStreamRefusesNull)
{
    PDFWriter writer;
    TraceCapture trace;
    EXPECT_EQ(writer.StartPDFForStream(nullptr, PPKLiteVersion21), Failure);
    EXPECT_EQ(writer.EndPDF(), Failure);
}

} // namespace
