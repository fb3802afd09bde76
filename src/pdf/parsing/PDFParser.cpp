#include "pdf/parsing/PDFParser.h"

#include <locale>
#include <sstream>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/parsing/PDFTokenizer.h"
#include "pdf/parsing/ParserExtender.h"

namespace {

const std::string kHeaderMagic = "%PPKLITE-";

} // namespace

PDFParser::PDFParser() = default;

PDFParser::~PDFParser()
{
    ClearState();
}

void PDFParser::ClearState()
{
    mStream = nullptr;
    mBufferedStream = nullptr;
    mFileSize = 0;
    mTrailer = nullptr;
    mXrefTable.clear();
    mXrefTable.shrink_to_fit();
    mPagesCount = 0;
    mPagesReached = 0;
    mPagesObjectIDs.clear();
    mObjectStreamReader.Clear();
    mLastXrefPosition = 0;
}

StatusCode PDFParser::StartDocument(IByteReaderWithPosition* stream)
{
    ClearState();
    if (stream == nullptr) {
        TRACE_LOG("PDFParser::StartDocument, no stream to read");
        return Failure;
    }
    mStream = stream;
    mBufferedStream = InputBufferedStream::ExactlyBuffered(stream);
    mCurrentPositionProvider.Assign(stream);
    mObjectParser.AttachStream(stream, &mCurrentPositionProvider);
    // The size bounds every offset and table size read from the file.
    mStream->SetPositionFromEnd(0);
    mFileSize = mStream->GetCurrentPosition();
    mStream->SetPosition(0);
    // So does it the memory one object may take.
    mObjectParser.SetValueLimit(PDFObjectParser::ValueLimitForFileSize(mFileSize));
    mObjectParser.ClearReadState();
    return Success;
}

void PDFParser::MoveTo(FilePosition position)
{
    mStream->SetPosition(position);
    mObjectParser.ClearReadState();
}

StatusCode PDFParser::ParseDirectoryParts()
{
    mEndOfFileScanner.Reset(mStream, mFileSize, &mObjectParser, mParserExtender);
    if (mEndOfFileScanner.ParseEOFLine() != Success) {
        return Failure;
    }
    if (mEndOfFileScanner.ParseXrefPosition(mLastXrefPosition) != Success) {
        return Failure;
    }
    return mDirectoryReader.ParseFileDirectory();
}

StatusCode PDFParser::ParseHeaderAndDirectory(IByteReaderWithPosition* stream)
{
    if (StartDocument(stream) != Success) {
        return Failure;
    }
    if (ParseHeaderLine() != Success) {
        return Failure;
    }
    return ParseDirectoryParts();
}

StatusCode PDFParser::ParseDocument(IByteReaderWithPosition* stream)
{
    if (ParseHeaderAndDirectory(stream) != Success) {
        return Failure;
    }
    if (HasEncryptDictionary()) {
        mPagesCount = 0;
        mPagesReached = 0;
        mPagesObjectIDs.clear();
        return Success;
    }
    return ParsePagesObjectIDs();
}

StatusCode PDFParser::ParseDirectoryOnly(IByteReaderWithPosition* stream)
{
    if (StartDocument(stream) != Success) {
        return Failure;
    }
    return ParseDirectoryParts();
}

StatusCode PDFParser::ParseHeaderLine()
{
    return ParseHeaderLine(kHeaderMagic);
}

StatusCode PDFParser::ParseHeaderLine(std::string_view magic)
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mStream);
    PDFTokenizer::Token token = tokenizer.ReadToken();
    if (!token.first) {
        TRACE_LOG("PDFParser::ParseHeaderLine, no tokens in PDF input. in other words - it's "
                  "empty.");
        return Failure;
    }
    if (token.second.compare(0, magic.size(), magic) != 0) {
        TRACE_LOG("PDFParser::ParseHeaderLine, file does not begin as a PDF file. a PDF file "
                  "should start with \"%%PDF-\". file header = %s",
                  token.second.c_str());
        return Failure;
    }
    std::istringstream versionText(token.second.substr(magic.size()));
    versionText.imbue(std::locale::classic());
    double version = 0;
    if (!(versionText >> version)) {
        version = 0;
    }
    mPDFLevel = version;
    return Success;
}

bool PDFParser::IsAcceptableTableSize(std::uint64_t size) const
{
    const auto fileBound = static_cast<std::uint64_t>(mFileSize / kClassicEntrySize) +
                           static_cast<std::uint64_t>(kTableSizeSlack);
    return size <= kMaxTableSize && size <= fileBound;
}

bool PDFParser::IsAcceptableStreamTableSize(std::uint64_t size) const
{
    // Any file of kMaxTableSize bytes or more may hold the largest table; below that the
    // product cannot overflow.
    const std::uint64_t fileBound =
        mFileSize >= static_cast<FilePosition>(kMaxTableSize)
            ? kMaxTableSize
            : static_cast<std::uint64_t>(mFileSize * kMaxStreamEntriesPerFileByte +
                                         kTableSizeSlack);
    return size <= kMaxTableSize && size <= fileBound;
}

const XrefEntry* PDFParser::XrefEntryFor(ObjectNumber objectID) const
{
    return objectID < mXrefTable.size() ? &mXrefTable[objectID] : nullptr;
}

PDFObject* PDFParser::ParseObjectByID(ObjectNumber objectID)
{
    if (objectID >= mXrefTable.size()) {
        return nullptr;
    }
    switch (mXrefTable[objectID].mType) {
    case XrefEntryInFile:
        return mObjectReader.ParseExistingInDirectObject(objectID);
    case XrefEntryInObjectStream:
        return mObjectStreamReader.ParseExistingInDirectStreamObject(objectID);
    default:
        return nullptr;
    }
}

PDFObject* PDFParser::ParseObjectByReference(ObjectNumber objectID, std::uint32_t generation)
{
    const XrefEntry* entry = XrefEntryFor(objectID);
    if (entry == nullptr) {
        return nullptr;
    }
    // An object in an object stream has generation 0; the entry's generation field holds its
    // index there.
    const std::uint32_t objectGeneration =
        entry->mType == XrefEntryInObjectStream ? 0 : entry->mGeneration;
    if ((entry->mType == XrefEntryInFile || entry->mType == XrefEntryInObjectStream) &&
        objectGeneration != generation) {
        TRACE_LOG("PDFParser::ParseObjectByReference, object %u has generation %u, not %u: the "
                  "reference refers to no object",
                  objectID, objectGeneration, generation);
        return nullptr;
    }
    return ParseObjectByID(objectID);
}

PDFObject* PDFParser::ParseObjectByReference(const PDFIndirectObjectReference& reference)
{
    return ParseObjectByReference(reference.ObjectID, reference.GenerationNumber);
}

bool PDFParser::ReadPlainDictionaryObject(ObjectNumber objectID, std::uint32_t generation,
                                          PlainDictionary& out)
{
    return mObjectReader.ReadPlainDictionaryObject(objectID, generation, out);
}

PDFObject* PDFParser::ResolveDictionaryEntry(PDFDictionary* dictionary, const std::string& key)
{
    if (dictionary == nullptr) {
        return nullptr;
    }
    PDFObject* value = dictionary->Lookup(key);
    if (value == nullptr || value->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
        return value;
    }
    PDFObject* target = ParseObjectByReference(*static_cast<PDFIndirectObjectReference*>(value));
    value->Release();
    return target;
}

PDFObject* PDFParser::ResolveArrayItem(PDFArray* array, std::uint32_t index)
{
    if (array == nullptr) {
        return nullptr;
    }
    PDFObject* value = array->GetItem(index);
    if (value == nullptr || value->GetType() != PDFObject::ePDFObjectIndirectObjectReference) {
        return value;
    }
    PDFObject* target = ParseObjectByReference(*static_cast<PDFIndirectObjectReference*>(value));
    value->Release();
    return target;
}

bool PDFParser::ExtenderSupportsEncryption()
{
    return mParserExtender != nullptr && mParserExtender->SupportsEncryption();
}

IByteReader* PDFParser::CreateInputStreamReader(PDFStreamInput* stream)
{
    return mStreamReaderFactory.CreateInputStreamReader(stream);
}

IByteReader* PDFParser::OpenStreamForReading(PDFStreamInput* stream)
{
    return mStreamReaderFactory.OpenStreamForReading(stream);
}

IByteReader* PDFParser::OpenStoredStreamData(PDFStreamInput* stream, FilePosition& outLength)
{
    return mStreamReaderFactory.OpenStoredStreamData(stream, outLength);
}
