#include "pdf/parsing/IndirectObjectReader.h"

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

TEST(IndirectObjectReaderTest, ReferenceWithAnotherGenerationRefersToNoObject)
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
TEST(IndirectObjectReaderTest, DamagedDeclarationsTraceTheirReader)
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
TEST(IndirectObjectReaderTest, ExtenderSeesObjectStartAndEnd)
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
