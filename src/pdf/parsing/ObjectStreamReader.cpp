#include "pdf/parsing/ObjectStreamReader.h"

#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IReadPositionProvider.h"
#include "pdf/io/InputStreamSkipperStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/PDFSyntax.h"

namespace {

constexpr IOByteCount kDecodeChunkSize = 65536;
// Header pairs reserved up front; more are added as they are actually read.
constexpr std::size_t kHeaderReserve = 4096;

// Serves decoded object-stream bytes to the object parser, positions counted from the start of
// the decoded data. Borrows the bytes, which must not change while it is in use.
class DecodedBytesReader : public IByteReader, public IReadPositionProvider
{
public:
    DecodedBytesReader(const Byte* bytes, std::size_t size) : mBytes(bytes), mSize(size) {}

    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        const std::size_t available = mSize - mPosition;
        const std::size_t taken = count < available ? count : available;
        if (taken > 0) {
            std::memcpy(buffer, mBytes + mPosition, taken);
        }
        mPosition += taken;
        return static_cast<IOByteCount>(taken);
    }
    bool HasMore() override { return mPosition < mSize; }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mPosition); }

    std::size_t Size() const { return mSize; }
    // Positions beyond the end land at the end.
    void SetPosition(std::size_t position) { mPosition = position < mSize ? position : mSize; }

private:
    const Byte* mBytes;
    std::size_t mSize;
    std::size_t mPosition = 0;
};

// /First plus an entry's offset as a position in the decoded data; false when it falls
// before the start or overflows.
bool ObjectPositionInStream(long long first, long long offset, long long& outPosition)
{
    return !__builtin_add_overflow(first, offset, &outPosition) && outPosition >= 0;
}

} // namespace

void ObjectStreamReader::Clear()
{
    mObjectStreamsCache.clear();
    mDecodedObjectStream.clear();
    mDecodedObjectStream.shrink_to_fit();
    mHasDecodedObjectStream = false;
    mObjectStreamsBeingOpened.clear();
    mUncachedObjectStreams.clear();
}

PDFObject* ObjectStreamReader::ParseExistingInDirectStreamObject(ObjectNumber objectID)
{
    const XrefEntry entry = mParser.mXrefTable[objectID];
    if (entry.mPosition <= 0 ||
        entry.mPosition > static_cast<FilePosition>(std::numeric_limits<ObjectNumber>::max())) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, failed to parse object %lld. "
                  "failed to find object stream for it, which should be %lld",
                  static_cast<long long>(objectID), static_cast<long long>(entry.mPosition));
        return nullptr;
    }
    const auto streamID = static_cast<ObjectNumber>(entry.mPosition);

    // An object stream whose own dictionary (or whose entry) leads back into itself, directly or
    // through other object streams, would otherwise recurse without end.
    if (mObjectStreamsBeingOpened.count(streamID) != 0 ||
        mObjectStreamsBeingOpened.size() >= kMaxObjectStreamNesting) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, object stream %lld is already "
                  "being opened while fetching object %lld, refusing a loop",
                  static_cast<long long>(streamID), static_cast<long long>(objectID));
        return nullptr;
    }
    mObjectStreamsBeingOpened.insert(streamID);
    struct OpenedGuard
    {
        std::set<ObjectNumber>& set;
        ObjectNumber id;
        ~OpenedGuard() { set.erase(id); }
    } guard{mObjectStreamsBeingOpened, streamID};

    PDFObjectCastPtr<PDFStreamInput> objectStream(mParser.ParseObjectByID(streamID));
    if (objectStream.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, failed to parse object %lld. "
                  "failed to find object stream for it, which should be %lld",
                  static_cast<long long>(objectID), static_cast<long long>(streamID));
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(objectStream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> objectCount(mParser.ResolveDictionaryEntry(dictionary.Get(), "N"));
    if (objectCount.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, no N key in stream dictionary "
                  "%lld",
                  static_cast<long long>(streamID));
        return nullptr;
    }
    PDFObjectCastPtr<PDFInteger> first(mParser.ResolveDictionaryEntry(dictionary.Get(), "First"));
    if (first.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, no First key in stream "
                  "dictionary %lld",
                  static_cast<long long>(streamID));
        return nullptr;
    }
    if (objectCount->GetValue() < 0 || objectCount->GetValue() > PDFParser::kMaxTableSize ||
        first->GetValue() < 0) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, object stream %lld has N = %lld "
                  "and First = %lld, refusing it",
                  static_cast<long long>(streamID), objectCount->GetValue(), first->GetValue());
        return nullptr;
    }
    return ParseObjectFromObjectStream(objectID, streamID, entry.mGeneration, objectStream.Get(),
                                       objectCount->GetValue(), first->GetValue());
}

PDFObject* ObjectStreamReader::ParseObjectFromObjectStream(ObjectNumber objectID,
                                                           ObjectNumber streamID,
                                                           std::uint32_t index,
                                                           PDFStreamInput* objectStream,
                                                           long long objectCount, long long first)
{
    bool inMemory = mHasDecodedObjectStream && mDecodedObjectStreamID == streamID;
    if (!inMemory && mUncachedObjectStreams.count(streamID) == 0) {
        if (LoadDecodedObjectStream(streamID, objectStream, inMemory) != Success) {
            return nullptr;
        }
        if (!inMemory) {
            mUncachedObjectStreams.insert(streamID);
        }
    }

    // Either the decoded bytes kept in memory, or (for a stream too large to keep) a fresh
    // decode of the stream through a skipper that counts the decoded bytes delivered.
    DecodedBytesReader bytes(mDecodedObjectStream.data(), mDecodedObjectStream.size());
    std::unique_ptr<InputStreamSkipperStream> skipper;
    if (inMemory) {
        mParser.mObjectParser.AttachStream(&bytes, &bytes);
    } else {
        IByteReader* reader = mParser.CreateInputStreamReader(objectStream);
        if (reader == nullptr) {
            return nullptr;
        }
        skipper = std::make_unique<InputStreamSkipperStream>(reader);
        mParser.mStream->SetPosition(objectStream->GetDataStart());
        mParser.mObjectParser.AttachStream(skipper.get(), skipper.get());
    }
    mParser.mObjectParser.ClearReadState();

    PDFObject* result = nullptr;
    auto cached = mObjectStreamsCache.find(streamID);
    bool headerParsedNow = false;
    if (cached == mObjectStreamsCache.end()) {
        std::vector<ObjectStreamEntry> entries;
        if (ParseObjectStreamHeader(mParser.mObjectParser, mParser.mParserExtender, entries,
                                    objectCount) == Success) {
            cached = mObjectStreamsCache.emplace(streamID, std::move(entries)).first;
            headerParsedNow = true;
        }
    }

    if (cached != mObjectStreamsCache.end()) {
        const std::vector<ObjectStreamEntry>& entries = cached->second;
        if (index < entries.size() && entries[index].mObjectNumber == objectID) {
            long long position = 0;
            bool positioned = true;
            // The first object directly follows the header just read: its tokens may already
            // be waiting in the object parser.
            if (index != 0 || !headerParsedNow) {
                positioned = ObjectPositionInStream(first, entries[index].mObjectOffset, position);
                if (positioned && inMemory) {
                    positioned = static_cast<std::uint64_t>(position) <= bytes.Size();
                    bytes.SetPosition(static_cast<std::size_t>(position));
                } else if (positioned) {
                    skipper->SkipTo(position);
                }
                mParser.mObjectParser.ClearReadState();
            }
            if (positioned) {
                result = mParser.ParseNextObject();
            } else {
                TRACE_LOG("PDFParser::ParseObjectFromObjectStream, object %lld lies outside the "
                          "data of object stream %lld",
                          static_cast<long long>(objectID), static_cast<long long>(streamID));
            }
        } else {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, wrong object. expecting to find object "
                      "ID %lld, and found %lld",
                      static_cast<long long>(objectID),
                      index < entries.size() ? static_cast<long long>(entries[index].mObjectNumber)
                                             : -1LL);
        }
    }

    mParser.mObjectParser.AttachStream(mParser.mStream, &mParser.mCurrentPositionProvider);
    return result;
}

StatusCode ObjectStreamReader::LoadDecodedObjectStream(ObjectNumber streamID,
                                                       PDFStreamInput* objectStream,
                                                       bool& outLoaded)
{
    outLoaded = false;
    std::unique_ptr<IByteReader> reader(mParser.CreateInputStreamReader(objectStream));
    if (reader == nullptr) {
        return Failure;
    }
    mParser.mStream->SetPosition(objectStream->GetDataStart());
    mHasDecodedObjectStream = false;
    mDecodedObjectStream.clear();

    std::vector<Byte> chunk(kDecodeChunkSize);
    while (reader->HasMore()) {
        const IOByteCount got = reader->Read(chunk.data(), kDecodeChunkSize);
        if (got == 0) {
            break;
        }
        if (mDecodedObjectStream.size() + got > mObjectStreamCacheLimit) {
            mDecodedObjectStream.clear();
            mDecodedObjectStream.shrink_to_fit();
            return Success;
        }
        mDecodedObjectStream.insert(mDecodedObjectStream.end(), chunk.begin(), chunk.begin() + got);
    }
    mDecodedObjectStreamID = streamID;
    mHasDecodedObjectStream = true;
    outLoaded = true;
    return Success;
}

StatusCode ObjectStreamReader::ParseObjectStreamHeader(PDFObjectParser& objectParser,
                                                       ParserExtender* extender,
                                                       std::vector<ObjectStreamEntry>& entries,
                                                       long long objectCount)
{
    // The count is bounded by the caller; the array grows only with pairs actually present.
    entries.clear();
    entries.reserve(objectCount < static_cast<long long>(kHeaderReserve)
                        ? static_cast<std::size_t>(objectCount)
                        : kHeaderReserve);
    for (long long i = 0; i < objectCount; ++i) {
        PDFObjectCastPtr<PDFInteger> number(objectParser.ParseObject(extender));
        if (number.IsNull()) {
            TRACE_LOG("PDFParser::ParseObjectStreamHeader, parsing failed when reading object "
                      "number. either not enough objects, or of the wrong type");
            return Failure;
        }
        PDFObjectCastPtr<PDFInteger> offset(objectParser.ParseObject(extender));
        if (offset.IsNull()) {
            TRACE_LOG("PDFParser::ParseObjectStreamHeader, parsing failed when reading object "
                      "position. either not enough objects, or of the wrong type");
            return Failure;
        }
        // Cut to 32 bits, a larger number would pass for another object's.
        if (!PDFSyntax::FitsObjectNumber(number->GetValue())) {
            TRACE_LOG("PDFParser::ParseObjectStreamHeader, object number %lld beyond 32 bits",
                      number->GetValue());
            return Failure;
        }
        ObjectStreamEntry entry;
        entry.mObjectNumber = static_cast<ObjectNumber>(number->GetValue());
        entry.mObjectOffset = offset->GetValue();
        entries.push_back(entry);
    }
    return Success;
}
