#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PlainDictionaryScanner.h"
#include "pdf/parsing/XrefEntry.h"

class IByteReader;
class IByteReaderWithPosition;
class ParserExtender;
class PDFArray;
class PDFIndirectObjectReference;
class PDFName;
class PDFObject;
class PDFStreamInput;

// One header pair of an object stream: object number and offset relative to /First.
struct ObjectStreamEntry
{
    ObjectNumber mObjectNumber = 0;
    FilePosition mObjectOffset = 0;
};

// The document reader. Given a positionable reader over a whole file it checks the header,
// finds the last cross-reference section from the end of the file, loads the trailer and every
// section of the /Prev chain into one table, and then fetches indirect objects by number. It
// never writes and keeps no object cache: each fetch parses the object again.
//
// The stream is borrowed: it must stay open and unmoved by others while objects are fetched.
// Whatever was loaded before a failing step stays usable, so a trust store (which has no page
// tree) can be read although ParseDocument reports Failure.
class PDFParser
{
public:
    // Refill window of the backward scan over the end of the file.
    static constexpr std::size_t kBackwardBufferSize = 1024;
    // PDF allows object numbers up to 8,388,607.
    static constexpr std::uint32_t kMaxTableSize = 8388608;
    // A classic entry takes 20 bytes; a table the file could not hold is refused.
    static constexpr FilePosition kClassicEntrySize = 20;
    static constexpr FilePosition kTableSizeSlack = 1024;
    // Sections reachable through /Prev; real files have a handful.
    static constexpr int kMaxPreviousSections = 1024;
    // Levels of the page tree; real trees have a few.
    static constexpr int kMaxPageTreeDepth = 256;
    // Entries of a cross-reference stream are compressed, so a file holds far more of them
    // per byte than of classic 20-byte entries; this still bounds what a small file can ask.
    static constexpr FilePosition kMaxStreamEntriesPerFileByte = 8;
    // Filters chained on one stream; real files use one or two.
    static constexpr std::size_t kMaxFiltersPerStream = 16;
    // Object streams opened inside each other while resolving /Length, /N or /First.
    static constexpr std::size_t kMaxObjectStreamNesting = 16;
    // Decoded object streams up to this size are kept in memory so that fetching all their
    // objects decodes them once; larger ones are decoded again for each fetch.
    static constexpr std::size_t kDefaultObjectStreamCacheLimit = 64 * 1024 * 1024;
    // A plain dictionary object larger than this is parsed as usual instead.
    static constexpr std::size_t kMaxPlainObjectSize = 1024 * 1024;

    PDFParser();
    virtual ~PDFParser();
    PDFParser(const PDFParser&) = delete;
    PDFParser& operator=(const PDFParser&) = delete;

    StatusCode ParseDocument(IByteReaderWithPosition* stream);
    // The header line and the directory, without the encryption check and the page tree: all
    // that a reader of a file without pages (a trust store) needs, without fetching the
    // catalog for a page tree it does not have.
    StatusCode ParseHeaderAndDirectory(IByteReaderWithPosition* stream);
    // The directory only: no header check, no encryption check, no page tree.
    StatusCode ParseDirectoryOnly(IByteReaderWithPosition* stream);

    // Caller owns the result; null for free, undefined or out-of-range numbers.
    PDFObject* ParseObjectByID(ObjectNumber objectID);
    // The object a reference leads to; caller owns the result. A reference whose generation
    // is not the object's refers to no object: null, as for a free or missing one.
    PDFObject* ParseObjectByReference(ObjectNumber objectID, std::uint32_t generation);
    PDFObject* ParseObjectByReference(const PDFIndirectObjectReference& reference);
    // The object a reference leads to, read without building objects when it is a plain
    // dictionary (see PlainDictionary): true, with out's views valid until the parser reads
    // again. False when it is anything else or cannot be found or read; nothing in out is to be
    // used then, and ParseObjectByReference gives the object, or the reason there is none.
    bool ReadPlainDictionaryObject(ObjectNumber objectID, std::uint32_t generation,
                                   PlainDictionary& out);
    // Values with one level of indirect reference followed; caller owns the result.
    PDFObject* ResolveDictionaryEntry(PDFDictionary* dictionary, const std::string& key);
    PDFObject* ResolveArrayItem(PDFArray* array, std::uint32_t index);

    PDFDictionary* GetTrailer() const { return mTrailer.Get(); }
    PDFDictionary* Trailer() const { return mTrailer.Get(); }
    std::uint32_t ObjectCount() const { return static_cast<std::uint32_t>(mXrefTable.size()); }
    const XrefEntry* XrefEntryFor(ObjectNumber objectID) const;
    FilePosition XrefPosition() const { return mLastXrefPosition; }
    double HeaderVersion() const { return mPDFLevel; }
    IByteReaderWithPosition* ParserStream() const { return mStream; }
    PDFObjectParser* ObjectParser() { return &mObjectParser; }

    // Borrowed; null removes it.
    void SetExtender(ParserExtender* extender) { mParserExtender = extender; }
    bool ExtenderSupportsEncryption();

    // Releases everything read from a document.
    void ClearState();

    bool HasEncryptDictionary();
    std::uint32_t PageCount() const { return mPagesCount; }
    // 0 for an index at or beyond the page count, or one the page-tree walk never reached.
    ObjectNumber PageIDAt(std::uint32_t index) const;
    // Caller owns the result.
    PDFDictionary* ParsePage(std::uint32_t index);

    // Reader chain over a stream's data; the caller owns it, and it reads from wherever the
    // parser's stream stands when reading starts. Null on failure, with a trace line.
    IByteReader* CreateInputStreamReader(PDFStreamInput* stream);
    // The same, positioned at the stream's data start.
    IByteReader* OpenStreamForReading(PDFStreamInput* stream);
    // Reader over a stream's data exactly as stored (no filter, no decryption), positioned at
    // its start, for passing it on unchanged; outLength receives /Length (direct or through one
    // reference). The caller owns the reader and reads it before fetching anything else. Null,
    // with a trace line, when /Length is no integer, the data would lie outside the file, or
    // "endstream" does not follow (after white space only) where /Length says the data ends:
    // passing such a stream on by its /Length would pass on the wrong bytes.
    IByteReader* OpenStoredStreamData(PDFStreamInput* stream, FilePosition& outLength);

    // Largest decoded object stream kept in memory between fetches; 0 decodes every time.
    void SetObjectStreamCacheLimit(std::size_t bytes) { mObjectStreamCacheLimit = bytes; }

protected:
    // Checks the first line of the file; the stream is at offset 0. Here the first line must
    // begin with the trust store's "%PPKLITE-".
    virtual StatusCode ParseHeaderLine();
    // The check itself, for a first line that must begin with magic: the first token of the
    // stream begins with it, and the number after it (0 when none) becomes the header version.
    // An empty input or another first line fails with a trace line. For the checks of derived
    // readers, which say what their files begin with.
    StatusCode ParseHeaderLine(std::string_view magic);

private:
    PDFObjectParser mObjectParser;
    IByteReaderWithPosition* mStream = nullptr;
    AdapterIByteReaderWithPositionToIReadPositionProvider mCurrentPositionProvider;
    FilePosition mFileSize = 0;

    Byte mLinesBuffer[kBackwardBufferSize] = {};
    std::size_t mCurrentBufferIndex = 0; // the cursor: next byte to examine is the one before
    std::size_t mLastAvailableIndex = 0;
    FilePosition mLastReadPositionFromEnd = 0;
    bool mEncounteredFileStart = false;

    std::map<ObjectNumber, std::vector<ObjectStreamEntry>> mObjectStreamsCache;
    double mPDFLevel = 0;
    FilePosition mLastXrefPosition = 0;
    RefCountPtr<PDFDictionary> mTrailer;
    XrefTable mXrefTable;
    std::uint32_t mPagesCount = 0;
    std::vector<ObjectNumber> mPagesObjectIDs;
    std::uint32_t mPagesReached = 0;
    ParserExtender* mParserExtender = nullptr;

    // Decoded bytes of the most recently used object stream (see kDefaultObjectStreamCacheLimit).
    std::vector<Byte> mDecodedObjectStream;
    ObjectNumber mDecodedObjectStreamID = 0;
    bool mHasDecodedObjectStream = false;
    std::size_t mObjectStreamCacheLimit = kDefaultObjectStreamCacheLimit;
    // Object streams found too large to keep; they are decoded for each fetch without trying.
    std::set<ObjectNumber> mUncachedObjectStreams;
    // Object streams whose fetch is under way; a nested fetch of one of them is a loop.
    std::set<ObjectNumber> mObjectStreamsBeingOpened;

    StatusCode StartDocument(IByteReaderWithPosition* stream);
    StatusCode ParseDirectoryParts();

    // Backward scan over the end of the file.
    void ResetReadState();
    bool ReadNextBufferFromEnd();
    bool GoBackTillNonWhiteSpace();
    void GoBackTillLineStart();
    FilePosition GetCurrentPositionFromEnd() const;

    StatusCode ParseEOFLine();
    StatusCode ParseXrefPosition();
    StatusCode ParseFileDirectory();
    StatusCode ParseTrailerDictionary();
    StatusCode ParseDirectory();
    bool IsAcceptableTableSize(std::uint64_t size) const;
    bool IsAcceptableStreamTableSize(std::uint64_t size) const;
    // streamEntries: the section's entries may sit in a cross-reference stream.
    StatusCode SetupTableSize(PDFDictionary* dictionary, bool streamEntries);
    StatusCode ParseXref(XrefTable& table, FilePosition sectionOffset);
    StatusCode ParseXrefEntries(XrefTable& table, std::uint32_t first, std::uint32_t count);
    StatusCode ParsePreviousXrefs(PDFDictionary* dictionary);
    StatusCode ParsePreviousDirectory(FilePosition sectionOffset, XrefTable& table,
                                      RefCountPtr<PDFDictionary>& outTrailer);
    PDFObject* ParseExistingInDirectObject(ObjectNumber objectID);

    // Trace texts of one reader of indirect-object declarations, so that each keeps its own
    // lines: mDeclaration begins every line about the "generation obj" part, mStreamBody is
    // the whole line for a body that is not a stream.
    struct DeclarationTraceTexts
    {
        const char* mDeclaration = "";
        const char* mStreamBody = "";
    };
    // Reads "generation obj" after an object number that was already read, telling the
    // extender that the object starts once the generation is known. Without
    // expectedGeneration any generation is taken.
    StatusCode ParseObjectDeclaration(long long objectID,
                                      std::optional<long long> expectedGeneration,
                                      const DeclarationTraceTexts& texts);
    // Reads "generation obj" and a stream body after an object number that was already read,
    // the extender seeing the object start and, for a stream, its end.
    StatusCode ParseStreamObject(long long objectID, const DeclarationTraceTexts& texts,
                                 RefCountPtr<PDFStreamInput>& outStream);

    // Cross-reference streams and object streams.
    StatusCode BuildXrefTableAndTrailerFromXrefStream(long long xrefStreamObjectID);
    StatusCode ParseXrefFromXrefStream(XrefTable& table, FilePosition xrefStreamOffset);
    StatusCode ParseXrefFromXrefStream(XrefTable& table, PDFStreamInput* xrefStream);
    StatusCode ReadXrefStreamSegment(XrefTable& table, std::uint64_t first, std::uint64_t count,
                                     IByteReader* reader, const int* widths,
                                     std::size_t widthsCount);
    // On success outReader owns source; on failure source stays with the caller.
    StatusCode CreateFilterForStream(IByteReader* source, PDFName* filterName,
                                     PDFDictionary* decodeParameters, IByteReader*& outReader);
    PDFObject* ParseExistingInDirectStreamObject(ObjectNumber objectID);
    PDFObject* ParseObjectFromObjectStream(ObjectNumber objectID, ObjectNumber streamID,
                                           std::uint32_t index, PDFStreamInput* objectStream,
                                           long long objectCount, long long first);
    StatusCode ParseObjectStreamHeader(std::vector<ObjectStreamEntry>& entries,
                                       long long objectCount);
    // Decodes a whole object stream into mDecodedObjectStream. Failure when no reader can be
    // made; outLoaded is false when the data is larger than the cache limit.
    StatusCode LoadDecodedObjectStream(ObjectNumber streamID, PDFStreamInput* objectStream,
                                       bool& outLoaded);

    // Page tree.
    StatusCode ParsePagesObjectIDs();
    StatusCode ParsePagesIDs(PDFDictionary* pageNode, ObjectNumber nodeObjectID,
                             std::uint32_t& ioPageIndex, std::set<ObjectNumber>& visitedNodes,
                             int depth);
};
