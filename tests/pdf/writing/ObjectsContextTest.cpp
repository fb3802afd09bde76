#include "pdf/writing/ObjectsContext.h"

#include <algorithm>
#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <zlib.h>

#include "WritingTestDoubles.h"
#include "pdf/io/IByteReader.h"

namespace {

std::string Inflate(const std::string& compressed)
{
    std::string output(1 << 16, '\0');
    uLongf size = static_cast<uLongf>(output.size());
    if (uncompress(reinterpret_cast<Bytef*>(output.data()), &size,
                   reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK) {
        return "<not zlib data>";
    }
    output.resize(size);
    return output;
}

class ObjectsContextTest : public ::testing::Test
{
protected:
    ObjectsContextTest() { context.SetOutputStream(&output); }

    void WriteEmptyObject()
    {
        (void)context.StartIndirectObject();
        context.WriteNull(SeparatorEndLine);
        context.EndIndirectObject();
    }

    MemoryWriter output;
    ObjectsContext context;
};

TEST_F(ObjectsContextTest, NumbersObjectsFromOneAndFramesThem)
{
    EXPECT_EQ(context.StartIndirectObject(), 1u);
    context.WriteInteger(7, SeparatorEndLine);
    context.EndIndirectObject();
    EXPECT_EQ(context.StartIndirectObject(), 2u);
    context.EndIndirectObject();
    EXPECT_EQ(output.mBytes, "1 0 obj\r\n7\r\nendobj\r\n2 0 obj\r\nendobj\r\n");
    EXPECT_EQ(context.GetReferencesRegistry().GetObjectsCount(), 3u);
    EXPECT_EQ(context.GetReferencesRegistry().GetWriteRecord(2).mWritePosition, 20);
}

TEST_F(ObjectsContextTest, IndentsNestedDictionaries)
{
    DictionaryContext* outer = context.StartDictionary();
    ASSERT_EQ(outer->WriteKey("Type"), Success);
    outer->WriteNameValue("Catalog");
    ASSERT_EQ(outer->WriteKey("Sub"), Success);
    DictionaryContext* inner = context.StartDictionary();
    ASSERT_EQ(inner->WriteKey("V"), Success);
    inner->WriteIntegerValue(1);
    EXPECT_EQ(context.EndDictionary(inner), Success);
    EXPECT_EQ(context.EndDictionary(outer), Success);
    EXPECT_EQ(output.mBytes, "<<\r\n\t/Type /Catalog\r\n\t/Sub <<\r\n\t\t/V 1\r\n\t>>\r\n>>\r\n");
}

TEST_F(ObjectsContextTest, DuplicateKeyWritesNothingAndTraces)
{
    DictionaryContext* dictionary = context.StartDictionary();
    ASSERT_EQ(dictionary->WriteKey("Type"), Success);
    dictionary->WriteNameValue("A");
    const std::string before = output.mBytes;
    TraceCapture trace;
    EXPECT_EQ(dictionary->WriteKey("Type"), Failure);
    EXPECT_EQ(output.mBytes, before);
    EXPECT_EQ(trace.Messages(),
              "DictionaryContext::WriteKey, Duplicate key error. Cannot write multiple keys in the "
              "same dictionary. key reused - Type\n");
    // Keys are compared byte for byte: another case is another key.
    EXPECT_EQ(dictionary->WriteKey("type"), Success);
}

TEST_F(ObjectsContextTest, SameKeyInParentAndChildIsAccepted)
{
    DictionaryContext* outer = context.StartDictionary();
    ASSERT_EQ(outer->WriteKey("Type"), Success);
    DictionaryContext* inner = context.StartDictionary();
    EXPECT_EQ(inner->WriteKey("Type"), Success);
}

TEST_F(ObjectsContextTest, EndDictionaryRefusesWrongOrder)
{
    TraceCapture trace;
    EXPECT_EQ(context.EndDictionary(nullptr), Failure);
    EXPECT_EQ(trace.Messages(), "ObjectsContext::EndDictionary, stack underflow. Trying to end a "
                                "dictionary when there's no open dictionaries\n");
    trace.Clear();

    DictionaryContext* outer = context.StartDictionary();
    DictionaryContext* inner = context.StartDictionary();
    const std::string before = output.mBytes;
    EXPECT_EQ(context.EndDictionary(outer), Failure);
    EXPECT_EQ(trace.Messages(),
              "ObjectsContext::EndDictionary, nesting violation. Trying to close a dictionary "
              "while one of it's children is still open. First End the children\n");
    EXPECT_EQ(output.mBytes, before);
    // Both stay open, in their order; once both are closed none is.
    EXPECT_EQ(context.EndDictionary(inner), Success);
    EXPECT_EQ(context.EndDictionary(outer), Success);
    trace.Clear();
    EXPECT_EQ(context.EndDictionary(outer), Failure);
    EXPECT_NE(trace.Messages().find("stack underflow"), std::string::npos);
}

TEST_F(ObjectsContextTest, DictionaryValueOperationsEndTheirLines)
{
    DictionaryContext* d = context.StartDictionary();
    (void)d->WriteKey("R");
    d->WriteObjectReferenceValue(ObjectReference(12, 3));
    (void)d->WriteKey("Box");
    d->WriteRectangleValue(0, 0.5, 612, 792);
    (void)d->WriteKey("S");
    d->WriteLiteralStringValue("a)");
    (void)d->WriteKey("H");
    d->WriteHexStringValue("0a");
    (void)d->WriteKey("B");
    d->WriteBooleanValue(false);
    (void)d->WriteKey("N");
    d->WriteNullValue();
    (void)d->WriteKey("K");
    d->WriteKeywordValue("kw");
    (void)d->WriteKey("X");
    d->WriteRealValue(2.25);
    EXPECT_EQ(output.mBytes, "<<\r\n\t/R 12 3 R\r\n\t/Box [ 0 0.5 612 792 ]\r\n\t/S (a\\))\r\n"
                             "\t/H <0a>\r\n\t/B false\r\n\t/N null\r\n\t/K kw\r\n\t/X 2.25\r\n");
}

TEST_F(ObjectsContextTest, WritesCommentsAndReferences)
{
    context.WriteComment("PPKLITE-2.1");
    context.WriteIndirectObjectReference(5, SeparatorSpace);
    context.WriteIndirectObjectReference(6, 2, SeparatorNone);
    EXPECT_EQ(output.mBytes, "%PPKLITE-2.1\r\n5 0 R 6 2 R");
}

TEST_F(ObjectsContextTest, XrefTableListsEveryWrittenObject)
{
    for (int i = 0; i < 3; ++i) {
        WriteEmptyObject();
    }
    FilePosition position = -1;
    ASSERT_EQ(context.WriteXrefTable(position), Success);
    EXPECT_EQ(position, 3 * 23);
    EXPECT_EQ(output.mBytes.substr(static_cast<std::size_t>(position)), "xref\r\n0 4\r\n"
                                                                        "0000000000 65535 f\r\n"
                                                                        "0000000000 00000 n\r\n"
                                                                        "0000000023 00000 n\r\n"
                                                                        "0000000046 00000 n\r\n");
}

TEST_F(ObjectsContextTest, DeletedObjectsFormAnAscendingFreeList)
{
    for (int i = 0; i < 4; ++i) {
        WriteEmptyObject();
    }
    ASSERT_EQ(context.GetReferencesRegistry().DeleteObject(3), Success);
    ASSERT_EQ(context.GetReferencesRegistry().DeleteObject(1), Success);
    FilePosition position = 0;
    ASSERT_EQ(context.WriteXrefTable(position), Success);
    EXPECT_EQ(output.mBytes.substr(static_cast<std::size_t>(position)), "xref\r\n0 5\r\n"
                                                                        "0000000001 65535 f\r\n"
                                                                        "0000000003 00001 f\r\n"
                                                                        "0000000023 00000 n\r\n"
                                                                        "0000000000 00001 f\r\n"
                                                                        "0000000069 00000 n\r\n");
}

TEST_F(ObjectsContextTest, XrefTableStopsAtAnObjectNeverWritten)
{
    WriteEmptyObject();
    (void)context.GetReferencesRegistry().AllocateObjectID();
    WriteEmptyObject();
    FilePosition position = 0;
    TraceCapture trace;
    EXPECT_EQ(context.WriteXrefTable(position), Failure);
    EXPECT_EQ(output.mBytes.substr(static_cast<std::size_t>(position)),
              "xref\r\n0 4\r\n0000000000 65535 f\r\n0000000000 00000 n\r\n");
    EXPECT_EQ(trace.Messages(), "ObjectsContext::WriteXrefTable, Unexpected Failure. Object of ID "
                                "= 2 was not registered as written. probably means it was not "
                                "written\n");
}

TEST_F(ObjectsContextTest, XrefTableOfManyObjectsHasOneLinePerObject)
{
    for (int i = 0; i < 1000; ++i) {
        WriteEmptyObject();
    }
    FilePosition position = 0;
    ASSERT_EQ(context.WriteXrefTable(position), Success);
    const std::string table = output.mBytes.substr(static_cast<std::size_t>(position));
    EXPECT_EQ(table.size(), 6u + 8u + 1001u * 20u);
    // Objects 1-9 take 23 bytes each, 10-99 take 24 and 100-999 take 25.
    const std::size_t lastOffset = 9 * 23 + 90 * 24 + 900 * 25;
    EXPECT_EQ(output.mBytes.substr(lastOffset, 10), "1000 0 obj");
    EXPECT_EQ(table.substr(table.size() - 20), "0000024867 00000 n\r\n");
}

TEST_F(ObjectsContextTest, RawStreamHasASeparateLengthObject)
{
    ASSERT_EQ(context.StartIndirectObject(), 1u);
    std::unique_ptr<PDFStreamOutput> stream = context.StartRawStream();
    ASSERT_NE(stream, nullptr);
    (void)stream->GetWriteStream()->Write(reinterpret_cast<const Byte*>("hello"), 5);
    EXPECT_EQ(context.EndStream(stream.get()), Success);
    EXPECT_EQ(output.mBytes, "1 0 obj\r\n<<\r\n\t/Length 2 0 R\r\n>>\r\nstream\r\nhello\r\n"
                             "endstream\r\nendobj\r\n2 0 obj\r\n5\r\nendobj\r\n");
    EXPECT_TRUE(context.GetReferencesRegistry().GetWriteRecord(2).mObjectWritten);
    EXPECT_EQ(context.EndStream(stream.get()), Failure); // a second end writes nothing
}

TEST_F(ObjectsContextTest, CompressedStreamInflatesToTheData)
{
    (void)context.StartIndirectObject();
    DictionaryContext* d = context.StartDictionary();
    (void)d->WriteKey("Type");
    d->WriteNameValue("Test");
    std::unique_ptr<PDFStreamOutput> stream = context.StartStream(d);
    ASSERT_NE(stream, nullptr);
    const std::string data(3000, 'x');
    (void)stream->GetWriteStream()->Write(reinterpret_cast<const Byte*>(data.data()), 3000);
    ASSERT_EQ(context.EndStream(stream.get()), Success);

    const std::string head = "1 0 obj\r\n<<\r\n\t/Type /Test\r\n\t/Filter /FlateDecode\r\n"
                             "\t/Length 2 0 R\r\n>>\r\nstream\r\n";
    ASSERT_EQ(output.mBytes.substr(0, head.size()), head);
    const std::size_t end = output.mBytes.find("\r\nendstream\r\nendobj\r\n2 0 obj\r\n");
    ASSERT_NE(end, std::string::npos);
    const std::string compressed = output.mBytes.substr(head.size(), end - head.size());
    EXPECT_EQ(Inflate(compressed), data);
    const std::string tail = "2 0 obj\r\n" + std::to_string(compressed.size()) + "\r\nendobj\r\n";
    EXPECT_EQ(output.mBytes.substr(output.mBytes.size() - tail.size()), tail);
}

TEST_F(ObjectsContextTest, DirectLengthStreamWritesTheLengthInItsDictionary)
{
    context.SetCompressStreams(false);
    (void)context.StartIndirectObject();
    std::unique_ptr<PDFStreamOutput> stream = context.StartStream(nullptr, true);
    ASSERT_NE(stream, nullptr);
    (void)stream->GetWriteStream()->Write(reinterpret_cast<const Byte*>("abc"), 3);
    ASSERT_EQ(context.EndStream(stream.get()), Success);
    EXPECT_EQ(output.mBytes, "1 0 obj\r\n<<\r\n\t/Length 3\r\n>>\r\nstream\r\nabc\r\n"
                             "endstream\r\nendobj\r\n");
    EXPECT_EQ(context.GetReferencesRegistry().GetObjectsCount(), 2u);
}

TEST_F(ObjectsContextTest, StreamIsRefusedWhenItsKeysAreTakenOrItsDictionaryIsNotInnermost)
{
    TraceCapture trace;
    DictionaryContext* outer = context.StartDictionary();
    (void)outer->WriteKey("Length");
    outer->WriteIntegerValue(1);
    const std::string before = output.mBytes;
    EXPECT_EQ(context.StartRawStream(outer), nullptr);
    (void)outer->WriteKey("Inner");
    (void)context.StartDictionary();
    EXPECT_EQ(context.StartStream(outer), nullptr);
    EXPECT_NE(trace.Messages().find("ObjectsContext::StartStream"), std::string::npos);

    ObjectsContext detached; // no output stream at all
    EXPECT_EQ(detached.StartStream(), nullptr);
}

// Stored data handed over as it is, at most count bytes a read.
class StoredData : public IByteReader
{
public:
    explicit StoredData(std::string bytes) : mBytes(std::move(bytes)) {}
    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        const std::size_t take = std::min<std::size_t>(count, mBytes.size() - mPosition);
        std::copy_n(mBytes.data() + mPosition, take, buffer);
        mPosition += take;
        return static_cast<IOByteCount>(take);
    }
    bool HasMore() override { return mPosition < mBytes.size(); }

private:
    std::string mBytes;
    std::size_t mPosition = 0;
};

TEST_F(ObjectsContextTest, StoredStreamDataPassesThroughUnchangedOrIsRefused)
{
    struct StoredCase
    {
        const char* what;
        std::string data;
        FilePosition length;
        bool innermost;
        std::string output; // empty: refused with a trace line
    };
    const std::string binary("\0\xff\r\n(", 5);
    const StoredCase cases[] = {
        {"binary data, exactly its length", binary, 5, true,
         "<<\r\n\t/F /FlateDecode\r\n\t/Length 5\r\n>>\r\nstream\r\n" + binary +
             "\r\nendstream\r\nendobj\r\n"},
        {"no data", "", 0, true,
         "<<\r\n\t/F /FlateDecode\r\n\t/Length 0\r\n>>\r\nstream\r\n\r\nendstream\r\nendobj\r\n"},
        {"data ends early", "abc", 4, true, ""},
        {"dictionary not the innermost", "abc", 3, false, ""},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.what);
        output.mBytes.clear();
        context.Cleanup();
        context.SetOutputStream(&output);
        TraceCapture trace;
        DictionaryContext* dictionary = context.StartDictionary();
        ASSERT_EQ(dictionary->WriteKey("F"), Success);
        dictionary->WriteNameValue("FlateDecode");
        if (!c.innermost) {
            (void)context.StartDictionary();
        }
        StoredData data(c.data);
        const StatusCode status = context.WriteStreamWithStoredData(dictionary, data, c.length);
        if (c.output.empty()) {
            EXPECT_EQ(status, Failure);
            EXPECT_FALSE(trace.Empty());
        } else {
            EXPECT_EQ(status, Success);
            EXPECT_EQ(output.mBytes, c.output);
        }
    }
}

TEST_F(ObjectsContextTest, XrefStreamRecordsEveryEntry)
{
    context.SetCompressStreams(false);
    WriteEmptyObject();
    const ObjectNumber xrefID = context.StartIndirectObject();
    ASSERT_EQ(xrefID, 2u);
    DictionaryContext* d = context.StartDictionary();
    (void)d->WriteKey("Type");
    d->WriteNameValue("XRef");
    ASSERT_EQ(context.WriteXrefStream(d), Success);

    std::string records;
    const auto add = [&](int type, unsigned long long field, unsigned generation) {
        records.push_back(static_cast<char>(type));
        for (int b = 7; b >= 0; --b) {
            records.push_back(static_cast<char>((field >> (8 * b)) & 0xFF));
        }
        for (int b = 3; b >= 0; --b) {
            records.push_back(static_cast<char>((generation >> (8 * b)) & 0xFF));
        }
    };
    add(0, 0, 65535);
    add(1, 0, 0);
    add(1, 23, 0);
    const std::string expected = "2 0 obj\r\n<<\r\n\t/Type /XRef\r\n\t/Index [ 0 3 ]\r\n"
                                 "\t/W [ 1 8 4 ]\r\n\t/Length 39\r\n>>\r\nstream\r\n" +
                                 records + "\r\nendstream\r\nendobj\r\n";
    EXPECT_EQ(output.mBytes.substr(23), expected);
}

TEST_F(ObjectsContextTest, XrefStreamRefusesAnObjectNeverWritten)
{
    (void)context.GetReferencesRegistry().AllocateObjectID();
    (void)context.StartIndirectObject();
    DictionaryContext* d = context.StartDictionary();
    const std::string before = output.mBytes;
    TraceCapture trace;
    EXPECT_EQ(context.WriteXrefStream(d), Failure);
    EXPECT_EQ(output.mBytes, before);
    EXPECT_EQ(trace.Messages(), "ObjectsContext::WriteXrefStream, Unexpected Failure. Object of "
                                "ID = 1 was not registered as written. probably means it was not "
                                "written\n");
}

TEST_F(ObjectsContextTest, CleanupDetachesAndEmptiesEverything)
{
    WriteEmptyObject();
    (void)context.StartDictionary();
    context.SetCompressStreams(false);
    context.Cleanup();
    EXPECT_EQ(context.GetCurrentOutputStream(), nullptr);
    EXPECT_EQ(context.GetReferencesRegistry().GetObjectsCount(), 1u);
    const std::string before = output.mBytes;
    context.WriteName("Nowhere", SeparatorEndLine);
    EXPECT_EQ(output.mBytes, before);
    {
        TraceCapture trace;
        EXPECT_EQ(context.EndDictionary(nullptr), Failure); // no dictionary is open any more
        EXPECT_NE(trace.Messages().find("stack underflow"), std::string::npos);
    }
    // Streams are compressed again.
    MemoryWriter next;
    context.SetOutputStream(&next);
    (void)context.StartIndirectObject();
    std::unique_ptr<PDFStreamOutput> stream = context.StartStream();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(context.EndStream(stream.get()), Success);
    EXPECT_NE(next.mBytes.find("/Filter /FlateDecode"), std::string::npos);
}

} // namespace
