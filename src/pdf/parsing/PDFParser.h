#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/DirectoryReader.h"
#include "pdf/parsing/EndOfFileScanner.h"
#include "pdf/parsing/IndirectObjectReader.h"
#include "pdf/parsing/ObjectStreamReader.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PlainDictionaryScanner.h"
#include "pdf/parsing/StreamReaderFactory.h"
#include "pdf/parsing/XrefEntry.h"
#include "pdf/parsing/XrefStreamReader.h"

class IByteReader;
class IByteReaderWithPosition;
class InputBufferedStream;
class ParserExtender;
class PDFArray;
class PDFIndirectObjectReference;
class PDFName;
class PDFObject;
class PDFStreamInput;

// The document reader. Given a positionable reader over a whole file it checks the header,
// finds the last cross-reference section from the end of the file, loads the trailer and every
// section of the /Prev chain into one table, and then fetches indirect objects by number. It
// never writes and keeps no object cache: each fetch parses the object again.
//
// The stream is borrowed: it must stay open and unmoved by others while objects are fetched.
// Whatever was loaded before a failing step stays usable, so a trust store (which has no page
// tree) can be read although ParseDocument reports Failure.
//
// The parser holds the document's state (stream, object parser, table, trailer, pages) and
// owns one part for each of its jobs, each in files named for it: EndOfFileScanner finds the
// last section, DirectoryReader reads classic tables and the /Prev chain, XrefStreamReader
// cross-reference streams, IndirectObjectReader objects in the file, ObjectStreamReader objects
// in object streams, StreamReaderFactory readers over stream data. The parts work on the
// parser's state and call each other through it; its page-tree walk is in PDFParserPages.cpp.
class PDFParser
{
public:
    // PDF allows object numbers up to 8,388,607.
    static constexpr std::uint32_t kMaxTableSize = 8388608;
    // A classic entry takes 20 bytes; a table the file could not hold is refused.
    static constexpr FilePosition kClassicEntrySize = 20;
    static constexpr FilePosition kTableSizeSlack = 1024;
    // Levels of the page tree; real trees have a few.
    static constexpr int kMaxPageTreeDepth = 256;
    // Entries of a cross-reference stream are compressed, so a file holds far more of them
    // per byte than of classic 20-byte entries; this still bounds what a small file can ask.
    static constexpr FilePosition kMaxStreamEntriesPerFileByte = 8;
    // See ObjectStreamReader.
    static constexpr std::size_t kDefaultObjectStreamCacheLimit =
        ObjectStreamReader::kDefaultObjectStreamCacheLimit;
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
    void SetObjectStreamCacheLimit(std::size_t bytes)
    {
        mObjectStreamReader.SetObjectStreamCacheLimit(bytes);
    }

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
    friend class DirectoryReader;
    friend class IndirectObjectReader;
    friend class ObjectStreamReader;
    friend class StreamReaderFactory;
    friend class XrefStreamReader;

    PDFObjectParser mObjectParser;
    IByteReaderWithPosition* mStream = nullptr;
    // The stream when its buffer may be looked into (InputBufferedStream::ExactlyBuffered).
    InputBufferedStream* mBufferedStream = nullptr;
    AdapterIByteReaderWithPositionToIReadPositionProvider mCurrentPositionProvider;
    FilePosition mFileSize = 0;

    double mPDFLevel = 0;
    FilePosition mLastXrefPosition = 0;
    RefCountPtr<PDFDictionary> mTrailer;
    XrefTable mXrefTable;
    std::uint32_t mPagesCount = 0;
    std::vector<ObjectNumber> mPagesObjectIDs;
    std::uint32_t mPagesReached = 0;
    ParserExtender* mParserExtender = nullptr;

    // The parts; each keeps a reference to this parser.
    EndOfFileScanner mEndOfFileScanner;
    DirectoryReader mDirectoryReader{*this};
    XrefStreamReader mXrefStreamReader{*this};
    IndirectObjectReader mObjectReader{*this};
    ObjectStreamReader mObjectStreamReader{*this};
    StreamReaderFactory mStreamReaderFactory{*this};

    // For the parts: positions the stream and forgets what the object parser read ahead.
    void MoveTo(FilePosition position);
    // The next object the object parser reads, with the extender; caller owns it.
    PDFObject* ParseNextObject() { return mObjectParser.ParseObject(mParserExtender); }

    StatusCode StartDocument(IByteReaderWithPosition* stream);
    StatusCode ParseDirectoryParts();

    // Table sizes a file of this size could hold: as classic entries, or with entries in a
    // cross-reference stream.
    bool IsAcceptableTableSize(std::uint64_t size) const;
    bool IsAcceptableStreamTableSize(std::uint64_t size) const;

    // Page tree.
    StatusCode ParsePagesObjectIDs();
    StatusCode ParsePagesIDs(PDFDictionary* pageNode, ObjectNumber nodeObjectID,
                             std::uint32_t& ioPageIndex, std::set<ObjectNumber>& visitedNodes,
                             int depth);
};
