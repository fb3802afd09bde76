#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/writing/DictionaryContext.h"
#include "pdf/writing/IndirectObjectsReferenceRegistry.h"
#include "pdf/writing/ObjectReference.h"
#include "pdf/writing/PDFStreamOutput.h"
#include "pdf/writing/TokenSeparator.h"
#include "pdf/writing/TokenWriter.h"

class IByteReader;
class IByteWriterWithPosition;

// Writes indirect objects, dictionaries, arrays, references and stream objects to one output
// stream, numbers the objects and records where each starts, and writes the
// cross-reference section from that record. Nothing is buffered here: an object's position
// is the stream's position when it is started. With no stream attached every write does
// nothing.
class ObjectsContext
{
public:
    // Stored stream data passes through in pieces of this size.
    static constexpr std::size_t kStoredDataChunk = 64 * 1024;

    ObjectsContext();
    ~ObjectsContext();
    ObjectsContext(const ObjectsContext&) = delete;
    ObjectsContext& operator=(const ObjectsContext&) = delete;

    // The stream is borrowed and must outlive its use here (until Cleanup or another call).
    void SetOutputStream(IByteWriterWithPosition* outputStream);
    IByteWriterWithPosition* GetCurrentOutputStream() const { return mOutputStream; }
    void SetCompressStreams(bool compressStreams) { mCompressStreams = compressStreams; }
    IndirectObjectsReferenceRegistry& GetReferencesRegistry() { return mReferencesRegistry; }
    TokenWriter& GetTokenWriter() { return mTokenWriter; }

    // Detaches the stream, turns compression back on and empties the registry to entry 0.
    // Dictionaries still open are discarded without output.
    void Cleanup();

    // Allocates a number, records the position and writes "N 0 obj". Returns the number, or
    // 0 (writing nothing) when no number can be allocated.
    ObjectNumber StartIndirectObject();
    // The same for a number allocated earlier. A refused position is not passed on: the
    // cross-reference table catches the object that was never recorded.
    void StartIndirectObject(ObjectNumber objectID);
    void StartReplacementObject(ObjectNumber objectID);
    void EndIndirectObject();

    // "<<" and CR LF. The dictionary stays owned by this context until EndDictionary.
    DictionaryContext* StartDictionary();
    // Closes the innermost dictionary; refuses any other one and an empty stack.
    StatusCode EndDictionary(DictionaryContext* dictionary);

    void StartArray() { mTokenWriter.StartArray(); }
    void EndArray(TokenSeparator separator) { mTokenWriter.EndArray(separator); }
    void WriteName(std::string_view name, TokenSeparator separator)
    {
        mTokenWriter.WriteName(name, separator);
    }
    void WriteInteger(long long value, TokenSeparator separator)
    {
        mTokenWriter.WriteInteger(value, separator);
    }
    void WriteReal(double value, TokenSeparator separator)
    {
        mTokenWriter.WriteReal(value, separator);
    }
    void WriteExactReal(double value, TokenSeparator separator)
    {
        mTokenWriter.WriteExactReal(value, separator);
    }
    void WriteBoolean(bool value, TokenSeparator separator)
    {
        mTokenWriter.WriteBoolean(value, separator);
    }
    void WriteNull(TokenSeparator separator) { mTokenWriter.WriteNull(separator); }
    void WriteLiteralString(std::string_view content, TokenSeparator separator)
    {
        mTokenWriter.WriteLiteralString(content, separator);
    }
    void WriteHexString(std::string_view hexDigits, TokenSeparator separator)
    {
        mTokenWriter.WriteHexString(hexDigits, separator);
    }
    void WriteKeyword(std::string_view keyword) { mTokenWriter.WriteKeyword(keyword); }
    void WriteTokenSeparator(TokenSeparator separator)
    {
        mTokenWriter.WriteTokenSeparator(separator);
    }
    void EndLine() { mTokenWriter.EndLine(); }
    // "%", the text unaltered, CR LF.
    void WriteComment(std::string_view text);

    // "N G R" and the separator.
    void WriteIndirectObjectReference(ObjectNumber objectID, TokenSeparator separator);
    void WriteIndirectObjectReference(ObjectNumber objectID, std::uint32_t generationNumber,
                                      TokenSeparator separator);
    void WriteIndirectObjectReference(const ObjectReference& reference, TokenSeparator separator);

    // Opens a stream object inside the current indirect object, in the given dictionary or a
    // new one. Null, with a trace and nothing written, when the dictionary is not the
    // innermost open one or already holds a key the stream needs (Filter, Length).
    std::unique_ptr<PDFStreamOutput> StartStream(DictionaryContext* dictionary = nullptr,
                                                 bool directLength = false);
    // The same, never compressed and always with a separate length object.
    std::unique_ptr<PDFStreamOutput> StartRawStream(DictionaryContext* dictionary = nullptr);
    // Ends the data, "endstream", "endobj" (the indirect object ends here), and the length
    // object when there is one. Fails for a stream ended twice or whose dictionary is no
    // longer the innermost open one.
    StatusCode EndStream(PDFStreamOutput* stream);
    // Finishes a stream object whose data is already encoded: writes /Length into dictionary
    // (the innermost open one, without a /Length yet) and closes it, then "stream", exactly
    // length bytes from data, "endstream" and "endobj" (the indirect object ends here). The data
    // is passed on in pieces, never held whole. Failure, with a trace line, when the dictionary
    // is refused or data ends before length bytes; what was written so far stays.
    StatusCode WriteStreamWithStoredData(DictionaryContext* dictionary, IByteReader& data,
                                         FilePosition length);

    // Writes the cross-reference table of every dirty entry; position receives the offset of
    // its "xref" line. Fails at the first allocated number whose object was never written,
    // leaving the lines before it in the output.
    StatusCode WriteXrefTable(FilePosition& position);
    // Writes the cross-reference section as the stream data of the open dictionary (Index,
    // W and the records). Checks every entry before it writes anything.
    StatusCode WriteXrefStream(DictionaryContext* dictionary);

private:
    void StartIndirectObjectLine(ObjectNumber objectID);
    FilePosition CurrentPosition() const;
    std::unique_ptr<PDFStreamOutput> OpenStream(const char* operation,
                                                DictionaryContext* dictionary, bool directLength,
                                                bool compress);
    // The number of the next dirty free entry after cursor, 0 after the last one.
    ObjectNumber NextFreeEntry(ObjectNumber cursor) const;
    bool FindUnwrittenEntry(ObjectNumber& objectID) const;

    IByteWriterWithPosition* mOutputStream = nullptr;
    IndirectObjectsReferenceRegistry mReferencesRegistry;
    TokenWriter mTokenWriter;
    bool mCompressStreams = true;
    std::vector<std::unique_ptr<DictionaryContext>> mDictionaryStack;
};
