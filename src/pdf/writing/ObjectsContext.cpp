#include "pdf/writing/ObjectsContext.h"

#include <cstdio>
#include <cstring>

#include "pdf/io/IByteReader.h"
#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/OutputFlateEncodeStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/writing/PDFStreamOutputBuffer.h"

ObjectsContext::ObjectsContext() = default;

ObjectsContext::~ObjectsContext() = default;

void ObjectsContext::SetOutputStream(IByteWriterWithPosition* outputStream)
{
    mOutputStream = outputStream;
    mTokenWriter.SetStream(outputStream);
}

void ObjectsContext::Cleanup()
{
    SetOutputStream(nullptr);
    mCompressStreams = true;
    mReferencesRegistry.Reset();
    mDictionaryStack.clear();
}

FilePosition ObjectsContext::CurrentPosition() const
{
    return mOutputStream != nullptr ? mOutputStream->GetCurrentPosition() : 0;
}

void ObjectsContext::StartIndirectObjectLine(ObjectNumber objectID)
{
    mTokenWriter.WriteInteger(objectID, SeparatorSpace);
    mTokenWriter.WriteInteger(0, SeparatorSpace);
    mTokenWriter.WriteKeyword("obj");
}

ObjectNumber ObjectsContext::StartIndirectObject()
{
    const ObjectNumber objectID = mReferencesRegistry.AllocateObjectID();
    if (objectID == 0) {
        return 0;
    }
    StartIndirectObject(objectID);
    return objectID;
}

void ObjectsContext::StartIndirectObject(ObjectNumber objectID)
{
    (void)mReferencesRegistry.MarkObjectAsWritten(objectID, CurrentPosition()); // see header
    StartIndirectObjectLine(objectID);
}

void ObjectsContext::StartReplacementObject(ObjectNumber objectID)
{
    (void)mReferencesRegistry.MarkObjectAsUpdated(objectID, CurrentPosition()); // see header
    StartIndirectObjectLine(objectID);
}

void ObjectsContext::EndIndirectObject()
{
    mTokenWriter.WriteKeyword("endobj");
}

DictionaryContext* ObjectsContext::StartDictionary()
{
    mDictionaryStack.push_back(std::make_unique<DictionaryContext>(this, mDictionaryStack.size()));
    mTokenWriter.WriteKeyword("<<");
    return mDictionaryStack.back().get();
}

StatusCode ObjectsContext::EndDictionary(DictionaryContext* dictionary)
{
    if (mDictionaryStack.empty()) {
        TRACE_LOG("ObjectsContext::EndDictionary, stack underflow. Trying to end a dictionary when "
                  "there's no open dictionaries");
        return Failure;
    }
    if (mDictionaryStack.back().get() != dictionary) {
        TRACE_LOG("ObjectsContext::EndDictionary, nesting violation. Trying to close a dictionary "
                  "while one of it's children is still open. First End the children");
        return Failure;
    }
    dictionary->WriteClosingLine();
    mDictionaryStack.pop_back();
    return Success;
}

void ObjectsContext::WriteComment(std::string_view text)
{
    mTokenWriter.WriteBytes("%", 1);
    mTokenWriter.WriteKeyword(text);
}

void ObjectsContext::WriteIndirectObjectReference(ObjectNumber objectID, TokenSeparator separator)
{
    WriteIndirectObjectReference(objectID, 0, separator);
}

void ObjectsContext::WriteIndirectObjectReference(ObjectNumber objectID,
                                                  std::uint32_t generationNumber,
                                                  TokenSeparator separator)
{
    mTokenWriter.WriteInteger(objectID, SeparatorSpace);
    mTokenWriter.WriteInteger(generationNumber, SeparatorSpace);
    mTokenWriter.WriteBytes("R", 1);
    mTokenWriter.WriteTokenSeparator(separator);
}

void ObjectsContext::WriteIndirectObjectReference(const ObjectReference& reference,
                                                  TokenSeparator separator)
{
    WriteIndirectObjectReference(reference.ObjectID, reference.GenerationNumber, separator);
}

std::unique_ptr<PDFStreamOutput> ObjectsContext::StartStream(DictionaryContext* dictionary,
                                                             bool directLength)
{
    return OpenStream("ObjectsContext::StartStream", dictionary, directLength, mCompressStreams);
}

std::unique_ptr<PDFStreamOutput> ObjectsContext::StartRawStream(DictionaryContext* dictionary)
{
    return OpenStream("ObjectsContext::StartRawStream", dictionary, false, false);
}

std::unique_ptr<PDFStreamOutput> ObjectsContext::OpenStream(const char* operation,
                                                            DictionaryContext* dictionary,
                                                            bool directLength, bool compress)
{
    // Refuse before writing anything: a half-written stream header cannot be taken back.
    if (mOutputStream == nullptr) {
        TRACE_LOG("%s, no output stream", operation);
        return nullptr;
    }
    if (dictionary != nullptr &&
        (mDictionaryStack.empty() || mDictionaryStack.back().get() != dictionary)) {
        TRACE_LOG("%s, the stream's dictionary is not the innermost open dictionary", operation);
        return nullptr;
    }
    if (dictionary != nullptr &&
        ((compress && dictionary->HasKey("Filter")) || dictionary->HasKey("Length"))) {
        TRACE_LOG("%s, the stream's dictionary already has a Filter or Length key", operation);
        return nullptr;
    }
    std::unique_ptr<PDFStreamOutput> stream(new PDFStreamOutput(mOutputStream));
    if (!directLength) {
        stream->mLengthObjectID = mReferencesRegistry.AllocateObjectID();
        if (stream->mLengthObjectID == 0) {
            return nullptr;
        }
    }
    if (dictionary == nullptr) {
        dictionary = StartDictionary();
    }
    if (compress) {
        (void)dictionary->WriteKey("Filter"); // checked above: the key is new
        dictionary->WriteNameValue("FlateDecode");
    }

    IByteWriterWithPosition* dataTarget = mOutputStream;
    if (directLength) {
        stream->mOpenDictionary = dictionary;
        stream->mBuffer = std::make_unique<PDFStreamOutputBuffer>();
        dataTarget = stream->mBuffer.get();
    } else {
        (void)dictionary->WriteKey("Length"); // checked above: the key is new
        dictionary->WriteObjectReferenceValue(stream->mLengthObjectID);
        (void)EndDictionary(dictionary); // checked above: it is the innermost
        mTokenWriter.WriteKeyword("stream");
        stream->mDataStart = CurrentPosition();
    }

    if (compress && dataTarget != nullptr) {
        stream->mCompressor = std::make_unique<OutputFlateEncodeStream>(dataTarget, true);
        stream->mWriteStream = stream->mCompressor.get();
    } else {
        stream->mWriteStream = dataTarget;
    }
    return stream;
}

StatusCode ObjectsContext::WriteStreamWithStoredData(DictionaryContext* dictionary,
                                                     IByteReader& data, FilePosition length)
{
    if (dictionary == nullptr || dictionary->HasKey("Length") || length < 0 ||
        mDictionaryStack.empty() || mDictionaryStack.back().get() != dictionary) {
        TRACE_LOG("ObjectsContext::WriteStreamWithStoredData, the stream's dictionary is not the "
                  "innermost open dictionary or already has a Length key");
        return Failure;
    }
    (void)dictionary->WriteKey("Length"); // checked above: the key is new
    dictionary->WriteIntegerValue(length);
    (void)EndDictionary(dictionary); // checked above: the innermost dictionary
    mTokenWriter.WriteKeyword("stream");
    std::vector<Byte> buffer(kStoredDataChunk);
    FilePosition remaining = length;
    while (remaining > 0) {
        const auto want = static_cast<IOByteCount>(
            remaining < static_cast<FilePosition>(buffer.size()) ? remaining : buffer.size());
        const IOByteCount got = data.Read(buffer.data(), want);
        if (got == 0) {
            TRACE_LOG("ObjectsContext::WriteStreamWithStoredData, the data ended %lld bytes early",
                      static_cast<long long>(remaining));
            return Failure;
        }
        mTokenWriter.WriteBytes(buffer.data(), got);
        remaining -= static_cast<FilePosition>(got);
    }
    mTokenWriter.EndLine();
    mTokenWriter.WriteKeyword("endstream");
    mTokenWriter.WriteKeyword("endobj");
    return Success;
}

StatusCode ObjectsContext::EndStream(PDFStreamOutput* stream)
{
    if (stream == nullptr || stream->mEnded) {
        TRACE_LOG("ObjectsContext::EndStream, no stream or a stream that already ended");
        return Failure;
    }
    if (stream->mOpenDictionary != nullptr &&
        (mDictionaryStack.empty() || mDictionaryStack.back().get() != stream->mOpenDictionary ||
         stream->mOpenDictionary->HasKey("Length"))) {
        TRACE_LOG("ObjectsContext::EndStream, the stream's dictionary is not the innermost open "
                  "dictionary or already has a Length key");
        return Failure;
    }
    stream->FinishData();
    stream->mEnded = true;
    stream->mWriteStream = nullptr;

    if (stream->mOpenDictionary != nullptr) {
        const std::string& data = stream->mBuffer->GetBytes();
        (void)stream->mOpenDictionary->WriteKey("Length"); // checked above: the key is new
        stream->mOpenDictionary->WriteIntegerValue(static_cast<long long>(data.size()));
        (void)EndDictionary(stream->mOpenDictionary); // checked above
        stream->mOpenDictionary = nullptr;
        mTokenWriter.WriteKeyword("stream");
        mTokenWriter.WriteBytes(data.data(), data.size());
        stream->mBuffer.reset();
        mTokenWriter.EndLine();
        mTokenWriter.WriteKeyword("endstream");
        mTokenWriter.WriteKeyword("endobj");
        return Success;
    }

    const FilePosition length = CurrentPosition() - stream->mDataStart;
    mTokenWriter.EndLine();
    mTokenWriter.WriteKeyword("endstream");
    mTokenWriter.WriteKeyword("endobj");
    StartIndirectObject(stream->mLengthObjectID);
    mTokenWriter.WriteInteger(length, SeparatorEndLine);
    mTokenWriter.WriteKeyword("endobj");
    return Success;
}

ObjectNumber ObjectsContext::NextFreeEntry(ObjectNumber cursor) const
{
    const ObjectNumber count = mReferencesRegistry.GetObjectsCount();
    ++cursor;
    while (cursor < count) {
        const ObjectWriteInformation& entry = mReferencesRegistry.GetWriteRecord(cursor);
        if (entry.mIsDirty && entry.mObjectReferenceType == Free) {
            break;
        }
        ++cursor;
    }
    return cursor >= count ? 0 : cursor;
}

namespace {

// Cross-reference lines are gathered in a stack buffer and written a batch at a time, so a
// table of many thousand entries costs a few hundred writes.
class XrefLineBatch
{
public:
    explicit XrefLineBatch(TokenWriter& writer) : mWriter(writer) {}
    ~XrefLineBatch() { Flush(); }
    XrefLineBatch(const XrefLineBatch&) = delete;
    XrefLineBatch& operator=(const XrefLineBatch&) = delete;

    void AddLine(long long offset, long long generation, char type)
    {
        if (mUsed + kLineLength > sizeof(mBytes)) {
            Flush();
        }
        // Offsets are bounded to ten digits and generations to five when recorded, so
        // every line is exactly 20 bytes.
        char* line = mBytes + mUsed;
        if (offset >= 0 && offset <= 9999999999LL && generation >= 0 && generation <= 99999) {
            // Digits by hand: thousands of lines per table, and the layout is fixed.
            PutDigits(line, 10, offset);
            line[10] = ' ';
            PutDigits(line + 11, 5, generation);
            line[16] = ' ';
            line[17] = type;
            line[18] = '\r';
            line[19] = '\n';
        } else {
            // Not reached with recorded values; kept so that the line stays 20 bytes whatever
            // it is given. The buffer has room for any 64-bit values.
            char wide[64];
            std::snprintf(wide, sizeof(wide), "%010lld %05lld %c\r\n", offset, generation, type);
            std::memcpy(line, wide, kLineLength);
        }
        mUsed += kLineLength;
    }

    void Flush()
    {
        mWriter.WriteBytes(mBytes, mUsed);
        mUsed = 0;
    }

private:
    static constexpr std::size_t kLineLength = 20;

    // value in exactly width decimal digits, zero-padded; value fits.
    static void PutDigits(char* out, int width, long long value)
    {
        for (int index = width - 1; index >= 0; --index) {
            out[index] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    }

    TokenWriter& mWriter;
    char mBytes[kLineLength * 200];
    std::size_t mUsed = 0;
};

} // namespace

StatusCode ObjectsContext::WriteXrefTable(FilePosition& position)
{
    position = CurrentPosition();
    mTokenWriter.WriteKeyword("xref");

    const ObjectNumber count = mReferencesRegistry.GetObjectsCount();
    ObjectNumber start = 0;
    ObjectNumber freeCursor = 0;
    while (start < count) {
        ObjectNumber end = start;
        while (end < count && mReferencesRegistry.GetWriteRecord(end).mIsDirty) {
            ++end;
        }
        mTokenWriter.WriteInteger(start, SeparatorSpace);
        mTokenWriter.WriteInteger(end - start, SeparatorEndLine);

        XrefLineBatch lines(mTokenWriter);
        for (ObjectNumber i = start; i < end; ++i) {
            const ObjectWriteInformation& entry = mReferencesRegistry.GetWriteRecord(i);
            if (entry.mObjectReferenceType == Used) {
                if (!entry.mObjectWritten) {
                    lines.Flush();
                    TRACE_LOG("ObjectsContext::WriteXrefTable, Unexpected Failure. Object of ID = "
                              "%lld was not registered as written. probably means it was not "
                              "written",
                              static_cast<long long>(i));
                    return Failure;
                }
                lines.AddLine(entry.mWritePosition, entry.mGenerationNumber, 'n');
            } else {
                freeCursor = NextFreeEntry(freeCursor);
                lines.AddLine(freeCursor, entry.mGenerationNumber, 'f');
            }
        }
        lines.Flush();

        start = end;
        while (start < count && !mReferencesRegistry.GetWriteRecord(start).mIsDirty) {
            ++start;
        }
    }
    return Success;
}

bool ObjectsContext::FindUnwrittenEntry(ObjectNumber& objectID) const
{
    const ObjectNumber count = mReferencesRegistry.GetObjectsCount();
    for (ObjectNumber i = 0; i < count; ++i) {
        const ObjectWriteInformation& entry = mReferencesRegistry.GetWriteRecord(i);
        if (entry.mIsDirty && entry.mObjectReferenceType == Used && !entry.mObjectWritten) {
            objectID = i;
            return true;
        }
    }
    return false;
}

StatusCode ObjectsContext::WriteXrefStream(DictionaryContext* dictionary)
{
    ObjectNumber unwritten = 0;
    if (FindUnwrittenEntry(unwritten)) {
        TRACE_LOG(
            "ObjectsContext::WriteXrefStream, Unexpected Failure. Object of ID = %lld was not "
            "registered as written. probably means it was not written",
            static_cast<long long>(unwritten));
        return Failure;
    }
    if (dictionary == nullptr || mDictionaryStack.empty() ||
        mDictionaryStack.back().get() != dictionary || dictionary->HasKey("Index") ||
        dictionary->HasKey("W")) {
        TRACE_LOG("ObjectsContext::WriteXrefStream, the dictionary is not the innermost open "
                  "dictionary or already has an Index or W key");
        return Failure;
    }

    const ObjectNumber count = mReferencesRegistry.GetObjectsCount();
    (void)dictionary->WriteKey("Index"); // checked above: the key is new
    StartArray();
    ObjectNumber start = 0;
    while (start < count) {
        ObjectNumber end = start;
        while (end < count && mReferencesRegistry.GetWriteRecord(end).mIsDirty) {
            ++end;
        }
        WriteInteger(start, SeparatorSpace);
        WriteInteger(end - start, SeparatorSpace);
        start = end;
        while (start < count && !mReferencesRegistry.GetWriteRecord(start).mIsDirty) {
            ++start;
        }
    }
    EndArray(SeparatorEndLine);
    (void)dictionary->WriteKey("W"); // checked above: the key is new
    StartArray();
    WriteInteger(1, SeparatorSpace);
    WriteInteger(8, SeparatorSpace);
    WriteInteger(4, SeparatorSpace);
    EndArray(SeparatorEndLine);

    std::unique_ptr<PDFStreamOutput> stream = StartStream(dictionary, true);
    if (!stream) {
        return Failure;
    }
    IByteWriter* data = stream->GetWriteStream();
    ObjectNumber freeCursor = 0;
    for (ObjectNumber i = 0; i < count; ++i) {
        const ObjectWriteInformation& entry = mReferencesRegistry.GetWriteRecord(i);
        if (!entry.mIsDirty) {
            continue;
        }
        Byte record[13];
        std::uint64_t field2 = 0;
        if (entry.mObjectReferenceType == Used) {
            record[0] = 1;
            field2 = static_cast<std::uint64_t>(entry.mWritePosition);
        } else {
            record[0] = 0;
            freeCursor = NextFreeEntry(freeCursor);
            field2 = freeCursor;
        }
        for (int b = 0; b < 8; ++b) {
            record[1 + b] = static_cast<Byte>(field2 >> (8 * (7 - b)));
        }
        for (int b = 0; b < 4; ++b) {
            record[9 + b] = static_cast<Byte>(entry.mGenerationNumber >> (8 * (3 - b)));
        }
        if (data != nullptr) {
            (void)data->Write(record, sizeof(record)); // short writes surface with the output
        }
    }
    return EndStream(stream.get());
}
