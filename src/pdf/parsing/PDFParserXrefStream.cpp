#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IReadPositionProvider.h"
#include "pdf/io/InputAscii85DecodeStream.h"
#include "pdf/io/InputFlateDecodeStream.h"
#include "pdf/io/InputLimitedStream.h"
#include "pdf/io/InputPredictorPNGStreams.h"
#include "pdf/io/InputPredictorTIFFSubStream.h"
#include "pdf/io/InputStreamSkipperStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/PDFTokenizer.h"
#include "pdf/parsing/ParserExtender.h"

namespace {

// Entry fields land in a 64-bit type, a 64-bit position and a 32-bit generation; wider
// fields would lose their high bytes, so they are refused.
constexpr long long kMaxTypeFieldWidth = 8;
constexpr long long kMaxPositionFieldWidth = 8;
constexpr long long kMaxGenerationFieldWidth = 4;
constexpr std::size_t kXrefFieldCount = 3;

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

std::uint64_t BigEndianValue(const Byte* bytes, long long width)
{
    std::uint64_t value = 0;
    for (long long i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// /First plus an entry's offset as a position in the decoded data; false when it falls
// before the start or overflows.
bool ObjectPositionInStream(long long first, long long offset, long long& outPosition)
{
    return !__builtin_add_overflow(first, offset, &outPosition) && outPosition >= 0;
}

} // namespace

IByteReader* PDFParser::CreateInputStreamReader(PDFStreamInput* stream)
{
    if (stream == nullptr || mStream == nullptr) {
        TRACE_LOG("PDFParser::CreateInputStreamReader, no stream or no document to read from");
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> length(ResolveDictionaryEntry(dictionary.Get(), "Length"));
    if (length.IsNull()) {
        TRACE_LOG("PDFParser::CreateInputStreamReader, stream does not have length, failing");
        return nullptr;
    }
    // A negative length delivers nothing rather than being refused: the data is simply empty.
    const FilePosition limit = length->GetValue() < 0 ? 0 : length->GetValue();
    IByteReader* result = new InputLimitedStream(mStream, limit, false);
    if (mParserExtender != nullptr) {
        IByteReader* decrypted = mParserExtender->CreateDecryptionReader(result);
        if (decrypted == nullptr) {
            TRACE_LOG("PDFParser::CreateInputStreamReader, extender gave no decryption reader");
            delete result;
            return nullptr;
        }
        result = decrypted;
    }

    RefCountPtr<PDFObject> filter(ResolveDictionaryEntry(dictionary.Get(), "Filter"));
    if (filter.IsNull()) {
        return result;
    }

    StatusCode status = Success;
    if (filter->GetType() == PDFObject::ePDFObjectArray) {
        auto* filters = static_cast<PDFArray*>(filter.Get());
        PDFObjectCastPtr<PDFArray> parameters(
            ResolveDictionaryEntry(dictionary.Get(), "DecodeParms"));
        if (filters->GetLength() > kMaxFiltersPerStream) {
            // Each filter holds buffers and the chain is destroyed recursively; a file has
            // no use for a long one.
            TRACE_LOG("PDFParser::CreateInputStreamReader, %u filters in one stream, more than "
                      "%u. failing",
                      filters->GetLength(), static_cast<unsigned>(kMaxFiltersPerStream));
            status = Failure;
        }
        for (std::uint32_t i = 0; status == Success && i < filters->GetLength(); ++i) {
            PDFObjectCastPtr<PDFName> name(filters->GetItem(i));
            if (name.IsNull()) {
                TRACE_LOG("PDFParser::CreateInputStreamReader, filter item in an array is not a "
                          "name. should be a name");
                status = Failure;
                break;
            }
            PDFObjectCastPtr<PDFDictionary> itemParameters;
            if (!parameters.IsNull()) {
                itemParameters =
                    PDFObjectCastPtr<PDFDictionary>(ResolveArrayItem(parameters.Get(), i));
            }
            IByteReader* next = nullptr;
            status = CreateFilterForStream(result, name.Get(), itemParameters.Get(), next);
            if (status == Success) {
                result = next;
            }
        }
    } else if (filter->GetType() == PDFObject::ePDFObjectName) {
        PDFObjectCastPtr<PDFDictionary> parameters(
            ResolveDictionaryEntry(dictionary.Get(), "DecodeParms"));
        IByteReader* next = nullptr;
        status = CreateFilterForStream(result, static_cast<PDFName*>(filter.Get()),
                                       parameters.Get(), next);
        if (status == Success) {
            result = next;
        }
    } else {
        TRACE_LOG("PDFParser::CreateInputStreamReader, filter parameter is of unkown type. only "
                  "array and name are supported.");
        status = Failure;
    }

    if (status != Success) {
        // A failed filter left its source untouched, so this frees the chain exactly once.
        delete result;
        return nullptr;
    }
    return result;
}

IByteReader* PDFParser::OpenStreamForReading(PDFStreamInput* stream)
{
    IByteReader* reader = CreateInputStreamReader(stream);
    if (reader != nullptr) {
        mStream->SetPosition(stream->GetDataStart());
        mObjectParser.ClearReadState();
    }
    return reader;
}

IByteReader* PDFParser::OpenStoredStreamData(PDFStreamInput* stream, FilePosition& outLength)
{
    outLength = 0;
    if (stream == nullptr || mStream == nullptr) {
        TRACE_LOG("PDFParser::OpenStoredStreamData, no stream or no document to read from");
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> length(ResolveDictionaryEntry(dictionary.Get(), "Length"));
    const FilePosition dataStart = stream->GetDataStart();
    if (length.IsNull() || length->GetValue() < 0 || dataStart < 0 || dataStart > mFileSize ||
        length->GetValue() > mFileSize - dataStart) {
        TRACE_LOG("PDFParser::OpenStoredStreamData, stream has no integer length or its data "
                  "lies outside the file");
        return nullptr;
    }
    // The data must end where /Length says: "endstream" follows, after white space only.
    // Resolving /Length may have moved the document's stream, so it is positioned only now.
    mStream->SetPosition(dataStart + length->GetValue());
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mStream);
    const PDFTokenizer::Token keyword = tokenizer.ReadToken();
    if (!keyword.first || keyword.second != "endstream") {
        TRACE_LOG("PDFParser::OpenStoredStreamData, stream data at %lld does not end where its "
                  "length %lld says, no endstream follows",
                  static_cast<long long>(dataStart), length->GetValue());
        return nullptr;
    }
    outLength = length->GetValue();
    mStream->SetPosition(dataStart);
    mObjectParser.ClearReadState();
    return new InputLimitedStream(mStream, outLength, false);
}

StatusCode PDFParser::CreateFilterForStream(IByteReader* source, PDFName* filterName,
                                            PDFDictionary* decodeParameters,
                                            IByteReader*& outReader)
{
    outReader = nullptr;
    const std::string& name = filterName->GetValue();
    auto integerParameter = [this, decodeParameters](const char* key, long long fallback) {
        if (decodeParameters == nullptr) {
            return fallback;
        }
        PDFObjectCastPtr<PDFInteger> value(ResolveDictionaryEntry(decodeParameters, key));
        return value.IsNull() ? fallback : value->GetValue();
    };

    if (name == "FlateDecode") {
        const long long predictor = integerParameter("Predictor", 1);
        if (predictor == 1) {
            outReader = new InputFlateDecodeStream(source);
            return Success;
        }
        // Checked before anything takes the source, so a refusal leaves it with the caller.
        if (predictor != 2 && (predictor < 10 || predictor > 15)) {
            TRACE_LOG("PDFParser::CreateFilterForStream, supporting only predictor of types "
                      "1,2,10,11,12,13,14,15, failing");
            return Failure;
        }
        const long long columns = integerParameter("Columns", 1);
        // The PNG readers need the pixel width too: their left neighbour is a pixel back.
        const long long colors = integerParameter("Colors", 1);
        const long long bitsPerComponent = integerParameter("BitsPerComponent", 8);
        IByteReader* flate = new InputFlateDecodeStream(source);
        if (predictor == 2) {
            outReader = new InputPredictorTIFFSubStream(flate, colors, bitsPerComponent, columns);
        } else {
            // Whatever PNG predictor 10 to 15 names, each row's own tag byte chooses its
            // filter: writers mix row filters freely under any of these numbers.
            outReader =
                new InputPredictorPNGOptimumStream(flate, colors, bitsPerComponent, columns);
        }
        return Success;
    }
    if (name == "ASCII85Decode") {
        outReader = new InputAscii85DecodeStream(source);
        return Success;
    }

    // DCTDecode included: JPEG data is never decoded by the reader itself.
    if (mParserExtender != nullptr) {
        IByteReader* created = mParserExtender->CreateFilter(source, filterName, decodeParameters);
        if (created == nullptr || created == source) {
            TRACE_LOG("PDFParser::CreateFilterForStream, filter is not supported by extender - %s",
                      name.c_str());
            return Failure;
        }
        outReader = created;
        return Success;
    }
    TRACE_LOG("PDFParser::CreateFilterForStream, supporting only flate decode and ascii 85 "
              "decode, failing");
    return Failure;
}

StatusCode PDFParser::ParseStreamObject(long long objectID, const DeclarationTraceTexts& texts,
                                        RefCountPtr<PDFStreamInput>& outStream)
{
    if (ParseObjectDeclaration(objectID, std::nullopt, texts) != Success) {
        return Failure;
    }
    PDFObjectCastPtr<PDFStreamInput> stream(mObjectParser.ParseObject(mParserExtender));
    if (stream.IsNull()) {
        TRACE_LOG("%s", texts.mStreamBody);
        return Failure;
    }
    if (mParserExtender != nullptr) {
        mParserExtender->OnObjectEnd(stream.Get());
    }
    outStream = std::move(stream);
    return Success;
}

StatusCode PDFParser::BuildXrefTableAndTrailerFromXrefStream(long long xrefStreamObjectID)
{
    const DeclarationTraceTexts texts{
        "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failed to read xref object "
        "declaration",
        "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to parse xref stream"};
    RefCountPtr<PDFStreamInput> xrefStream;
    if (ParseStreamObject(xrefStreamObjectID, texts, xrefStream) != Success) {
        return Failure;
    }
    RefCountPtr<PDFDictionary> streamDictionary(xrefStream->GetDictionary());
    mTrailer = std::move(streamDictionary);

    if (SetupTableSize(mTrailer.Get(), true) != Success) {
        return Failure;
    }
    if (mTrailer->Contains("Prev")) {
        if (ParsePreviousXrefs(mTrailer.Get()) != Success) {
            return Failure;
        }
    }
    return ParseXrefFromXrefStream(mXrefTable, xrefStream.Get());
}

StatusCode PDFParser::ParseXrefFromXrefStream(XrefTable& table, FilePosition xrefStreamOffset)
{
    if (xrefStreamOffset < 0 || xrefStreamOffset >= mFileSize) {
        TRACE_LOG("PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream "
                  "at %lld",
                  static_cast<long long>(xrefStreamOffset));
        return Failure;
    }
    mStream->SetPosition(xrefStreamOffset);
    mObjectParser.ClearReadState();
    PDFObjectCastPtr<PDFInteger> objectID(mObjectParser.ParseObject(mParserExtender));
    if (objectID.IsNull() || objectID->GetValue() <= 0) {
        TRACE_LOG("PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream "
                  "at %lld",
                  static_cast<long long>(xrefStreamOffset));
        return Failure;
    }
    const DeclarationTraceTexts texts{
        "PDFParser::ParseXrefFromXrefStream, failed to read xref object declaration",
        "PDFParser::ParseXrefFromXrefStream, failure to parse xref stream"};
    RefCountPtr<PDFStreamInput> xrefStream;
    if (ParseStreamObject(objectID->GetValue(), texts, xrefStream) != Success) {
        return Failure;
    }
    return ParseXrefFromXrefStream(table, xrefStream.Get());
}

StatusCode PDFParser::ParseXrefFromXrefStream(XrefTable& table, PDFStreamInput* xrefStream)
{
    std::unique_ptr<IByteReader> reader(CreateInputStreamReader(xrefStream));
    if (reader == nullptr) {
        return Failure;
    }
    RefCountPtr<PDFDictionary> dictionary(xrefStream->GetDictionary());

    PDFObjectCastPtr<PDFArray> widthsArray(ResolveDictionaryEntry(dictionary.Get(), "W"));
    if (widthsArray.IsNull()) {
        TRACE_LOG("PDFParser::ParseXrefFromXrefStream, W array not available. failing");
        return Failure;
    }
    std::vector<int> widths;
    widths.reserve(widthsArray->GetLength());
    for (std::uint32_t i = 0; i < widthsArray->GetLength(); ++i) {
        PDFObjectCastPtr<PDFInteger> width(widthsArray->GetItem(i));
        if (width.IsNull()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, wrong items in width array (supposed "
                      "to have only integers)");
            return Failure;
        }
        const long long value = width->GetValue();
        const long long limit = i == 0   ? kMaxTypeFieldWidth
                                : i == 1 ? kMaxPositionFieldWidth
                                         : kMaxGenerationFieldWidth;
        if (widthsArray->GetLength() == kXrefFieldCount && (value < 0 || value > limit)) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, width %lld of field %u is not "
                      "supported. widths may be 0 to 8, 0 to 8 and 0 to 4",
                      value, i + 1);
            return Failure;
        }
        widths.push_back(static_cast<int>(value));
    }

    // Everything that may be an indirect reference is resolved before the stream is positioned,
    // since resolving moves the parser's stream.
    PDFObjectCastPtr<PDFArray> index(ResolveDictionaryEntry(dictionary.Get(), "Index"));
    PDFObjectCastPtr<PDFInteger> size;
    if (index.IsNull()) {
        size = PDFObjectCastPtr<PDFInteger>(ResolveDictionaryEntry(dictionary.Get(), "Size"));
        if (size.IsNull()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, xref size does not exist for this "
                      "stream");
            return Failure;
        }
    }
    mStream->SetPosition(xrefStream->GetDataStart());
    mObjectParser.ClearReadState();

    auto growTable = [this, &table](long long first, long long count) {
        const auto end = static_cast<std::uint64_t>(first) + static_cast<std::uint64_t>(count);
        if (first < 0 || count < 0 || !IsAcceptableStreamTableSize(end)) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, subsection %lld %lld reaches beyond "
                      "what the file could hold",
                      first, count);
            return Failure;
        }
        if (end > table.size()) {
            table.resize(static_cast<std::size_t>(end));
        }
        return Success;
    };

    if (index.IsNull()) {
        const long long count = size->GetValue();
        if (growTable(0, count) != Success) {
            return Failure;
        }
        return ReadXrefStreamSegment(table, 0, static_cast<std::uint64_t>(count), reader.get(),
                                     widths.data(), widths.size());
    }

    StatusCode status = Success;
    for (std::uint32_t i = 0; status == Success && i < index->GetLength(); i += 2) {
        PDFObjectCastPtr<PDFInteger> first(index->GetItem(i));
        if (first.IsNull()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, found non integer value in Index "
                      "array of xref stream");
            return Failure;
        }
        if (i + 1 >= index->GetLength()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream,Index array of xref stream should have "
                      "an even number of values");
            return Failure;
        }
        PDFObjectCastPtr<PDFInteger> count(index->GetItem(i + 1));
        if (count.IsNull()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, found non integer value in Index "
                      "array of xref stream");
            return Failure;
        }
        if (growTable(first->GetValue(), count->GetValue()) != Success) {
            return Failure;
        }
        status = ReadXrefStreamSegment(table, static_cast<std::uint64_t>(first->GetValue()),
                                       static_cast<std::uint64_t>(count->GetValue()), reader.get(),
                                       widths.data(), widths.size());
    }
    return status;
}

StatusCode PDFParser::ReadXrefStreamSegment(XrefTable& table, std::uint64_t first,
                                            std::uint64_t count, IByteReader* reader,
                                            const int* widths, std::size_t widthsCount)
{
    if (widthsCount != kXrefFieldCount) {
        TRACE_LOG("PDFParser::ReadXrefStreamSegment, can handle only 3 length entries");
        return Failure;
    }
    // Widths were checked by the caller: at most 8 + 8 + 4 bytes per entry.
    const long long typeWidth = widths[0];
    const long long positionWidth = widths[1];
    const long long generationWidth = widths[2];
    const auto entryLength = static_cast<IOByteCount>(typeWidth + positionWidth + generationWidth);
    Byte entryBytes[kMaxTypeFieldWidth + kMaxPositionFieldWidth + kMaxGenerationFieldWidth] = {};

    for (std::uint64_t objectID = first; objectID < first + count && reader->HasMore();
         ++objectID) {
        if (entryLength > 0) {
            const IOByteCount got = reader->Read(entryBytes, entryLength);
            if (got == 0) {
                // A decoder may promise more and then deliver nothing at the very end.
                break;
            }
            if (got != entryLength) {
                TRACE_LOG("PDFParser::ReadXrefStreamSegment, failed to read xref entry %llu",
                          static_cast<unsigned long long>(objectID));
                return Failure;
            }
        }
        if (objectID >= table.size()) {
            continue;
        }
        // Without a type field every entry is of type 1, an object in the file.
        const std::uint64_t type = typeWidth == 0 ? 1 : BigEndianValue(entryBytes, typeWidth);
        XrefEntry& entry = table[static_cast<std::size_t>(objectID)];
        entry.mPosition =
            static_cast<FilePosition>(BigEndianValue(entryBytes + typeWidth, positionWidth));
        entry.mGeneration = static_cast<std::uint32_t>(
            BigEndianValue(entryBytes + typeWidth + positionWidth, generationWidth));
        switch (type) {
        case 0:
            entry.mType = XrefEntryFree;
            break;
        case 1:
            entry.mType = XrefEntryInFile;
            break;
        case 2:
            entry.mType = XrefEntryInObjectStream;
            break;
        default:
            TRACE_LOG("PDFParser::ReadXrefStreamSegment, unfamiliar entry type. must be either "
                      "0,1 or 2");
            return Failure;
        }
    }
    return Success;
}

PDFObject* PDFParser::ParseExistingInDirectStreamObject(ObjectNumber objectID)
{
    const XrefEntry entry = mXrefTable[objectID];
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

    PDFObjectCastPtr<PDFStreamInput> objectStream(ParseObjectByID(streamID));
    if (objectStream.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, failed to parse object %lld. "
                  "failed to find object stream for it, which should be %lld",
                  static_cast<long long>(objectID), static_cast<long long>(streamID));
        return nullptr;
    }
    RefCountPtr<PDFDictionary> dictionary(objectStream->GetDictionary());
    PDFObjectCastPtr<PDFInteger> objectCount(ResolveDictionaryEntry(dictionary.Get(), "N"));
    if (objectCount.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, no N key in stream dictionary "
                  "%lld",
                  static_cast<long long>(streamID));
        return nullptr;
    }
    PDFObjectCastPtr<PDFInteger> first(ResolveDictionaryEntry(dictionary.Get(), "First"));
    if (first.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, no First key in stream "
                  "dictionary %lld",
                  static_cast<long long>(streamID));
        return nullptr;
    }
    if (objectCount->GetValue() < 0 || objectCount->GetValue() > kMaxTableSize ||
        first->GetValue() < 0) {
        TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, object stream %lld has N = %lld "
                  "and First = %lld, refusing it",
                  static_cast<long long>(streamID), objectCount->GetValue(), first->GetValue());
        return nullptr;
    }
    return ParseObjectFromObjectStream(objectID, streamID, entry.mGeneration, objectStream.Get(),
                                       objectCount->GetValue(), first->GetValue());
}

PDFObject* PDFParser::ParseObjectFromObjectStream(ObjectNumber objectID, ObjectNumber streamID,
                                                  std::uint32_t index, PDFStreamInput* objectStream,
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
        mObjectParser.AttachStream(&bytes, &bytes);
    } else {
        IByteReader* reader = CreateInputStreamReader(objectStream);
        if (reader == nullptr) {
            return nullptr;
        }
        skipper = std::make_unique<InputStreamSkipperStream>(reader);
        mStream->SetPosition(objectStream->GetDataStart());
        mObjectParser.AttachStream(skipper.get(), skipper.get());
    }
    mObjectParser.ClearReadState();

    PDFObject* result = nullptr;
    auto cached = mObjectStreamsCache.find(streamID);
    bool headerParsedNow = false;
    if (cached == mObjectStreamsCache.end()) {
        std::vector<ObjectStreamEntry> entries;
        if (ParseObjectStreamHeader(entries, objectCount) == Success) {
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
                mObjectParser.ClearReadState();
            }
            if (positioned) {
                result = mObjectParser.ParseObject(mParserExtender);
            } else {
                TRACE_LOG("PDFParser::ParseExistingInDirectStreamObject, object %lld lies outside "
                          "the data of object stream %lld",
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

    mObjectParser.AttachStream(mStream, &mCurrentPositionProvider);
    return result;
}

StatusCode PDFParser::LoadDecodedObjectStream(ObjectNumber streamID, PDFStreamInput* objectStream,
                                              bool& outLoaded)
{
    outLoaded = false;
    std::unique_ptr<IByteReader> reader(CreateInputStreamReader(objectStream));
    if (reader == nullptr) {
        return Failure;
    }
    mStream->SetPosition(objectStream->GetDataStart());
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

StatusCode PDFParser::ParseObjectStreamHeader(std::vector<ObjectStreamEntry>& entries,
                                              long long objectCount)
{
    // The count is bounded by the caller; the array grows only with pairs actually present.
    entries.clear();
    entries.reserve(objectCount < static_cast<long long>(kHeaderReserve)
                        ? static_cast<std::size_t>(objectCount)
                        : kHeaderReserve);
    for (long long i = 0; i < objectCount; ++i) {
        PDFObjectCastPtr<PDFInteger> number(mObjectParser.ParseObject(mParserExtender));
        if (number.IsNull()) {
            TRACE_LOG("PDFParser::ParseObjectStreamHeader, parsing failed when reading object "
                      "number. either not enough objects, or of the wrong type");
            return Failure;
        }
        PDFObjectCastPtr<PDFInteger> offset(mObjectParser.ParseObject(mParserExtender));
        if (offset.IsNull()) {
            TRACE_LOG("PDFParser::ParseObjectStreamHeader, parsing failed when reading object "
                      "position. either not enough objects, or of the wrong type");
            return Failure;
        }
        ObjectStreamEntry entry;
        entry.mObjectNumber = static_cast<ObjectNumber>(
            static_cast<unsigned long long>(number->GetValue()) & 0xFFFFFFFFu);
        entry.mObjectOffset = offset->GetValue();
        entries.push_back(entry);
    }
    return Success;
}
