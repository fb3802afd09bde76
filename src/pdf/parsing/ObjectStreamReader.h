#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/parsing/XrefEntry.h"

class ParserExtender;
class PDFObject;
class PDFObjectParser;
class PDFParser;
class PDFStreamInput;

// One header pair of an object stream: object number and offset relative to /First.
struct ObjectStreamEntry
{
    ObjectNumber mObjectNumber = 0;
    FilePosition mObjectOffset = 0;
};

// Fetches objects stored inside object streams. Each object stream's header is read once per
// document and kept; the decoded bytes of the most recently used object stream are kept too,
// up to a size limit, so that fetching all of its objects decodes it once. A part of
// PDFParser, which owns it and whose state it uses; Clear forgets everything kept.
class ObjectStreamReader
{
public:
    // Decoded object streams up to this size are kept in memory so that fetching all their
    // objects decodes them once; larger ones are decoded again for each fetch.
    static constexpr std::size_t kDefaultObjectStreamCacheLimit = 64 * 1024 * 1024;
    // Object streams opened inside each other while resolving /Length, /N or /First.
    static constexpr std::size_t kMaxObjectStreamNesting = 16;

    explicit ObjectStreamReader(PDFParser& parser) : mParser(parser) {}

    void Clear();
    // Largest decoded object stream kept in memory between fetches; 0 decodes every time.
    void SetObjectStreamCacheLimit(std::size_t bytes) { mObjectStreamCacheLimit = bytes; }

    // The object whose cross-reference entry places it in an object stream; caller owns it.
    PDFObject* ParseExistingInDirectStreamObject(ObjectNumber objectID);

    // Reads objectCount header pairs from the object parser into entries.
    static StatusCode ParseObjectStreamHeader(PDFObjectParser& objectParser,
                                              ParserExtender* extender,
                                              std::vector<ObjectStreamEntry>& entries,
                                              long long objectCount);

private:
    PDFParser& mParser;

    std::map<ObjectNumber, std::vector<ObjectStreamEntry>> mObjectStreamsCache;
    // Decoded bytes of the most recently used object stream (see kDefaultObjectStreamCacheLimit).
    std::vector<Byte> mDecodedObjectStream;
    ObjectNumber mDecodedObjectStreamID = 0;
    bool mHasDecodedObjectStream = false;
    std::size_t mObjectStreamCacheLimit = kDefaultObjectStreamCacheLimit;
    // Object streams found too large to keep; they are decoded for each fetch without trying.
    std::set<ObjectNumber> mUncachedObjectStreams;
    // Object streams whose fetch is under way; a nested fetch of one of them is a loop.
    std::set<ObjectNumber> mObjectStreamsBeingOpened;

    PDFObject* ParseObjectFromObjectStream(ObjectNumber objectID, ObjectNumber streamID,
                                           std::uint32_t index, PDFStreamInput* objectStream,
                                           long long objectCount, long long first);
    // Decodes a whole object stream into mDecodedObjectStream. Failure when no reader can be
    // made; outLoaded is false when the data is larger than the cache limit.
    StatusCode LoadDecodedObjectStream(ObjectNumber streamID, PDFStreamInput* objectStream,
                                       bool& outLoaded);
};
