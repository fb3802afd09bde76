#include "pdf/parsing/PDFParser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <typeinfo>
#include <utility>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/PDFTokenizer.h"
#include "pdf/parsing/ParserExtender.h"

namespace {

const std::string kHeaderMagic = "%PPKLITE-";
const std::string kEOFMarker = "%%EOF";
const std::string kStartXref = "startxref";
const std::string kXref = "xref";
const std::string kTrailer = "trailer";
const std::string kObj = "obj";

constexpr IOByteCount kXrefEntryLength = 20;

// Moves the reader to an object's position. Objects are mostly fetched in file order and lie
// close together, so a forward move that stays within the bytes already buffered consumes
// them; a seek would throw the buffer away and read a whole new one for every object.
void MoveToObject(IByteReaderWithPosition* stream, FilePosition position)
{
    if (typeid(*stream) == typeid(InputBufferedStream)) {
        auto* buffered = static_cast<InputBufferedStream*>(stream);
        const FilePosition current = buffered->GetCurrentPosition();
        if (position >= current &&
            position - current < static_cast<FilePosition>(buffered->BufferedCount())) {
            buffered->ConsumeBuffered(static_cast<IOByteCount>(position - current));
            return;
        }
    }
    stream->SetPosition(position);
}

bool IsSymbol(PDFObject* object, const std::string& text)
{
    return object != nullptr && object->GetType() == PDFObject::ePDFObjectSymbol &&
           static_cast<PDFSymbol*>(object)->GetValue() == text;
}

// Leading decimal digits of a field, with an optional sign; saturates instead of overflowing.
long long ParseLeadingDecimal(const Byte* text, std::size_t length)
{
    std::size_t index = 0;
    bool negative = false;
    if (index < length && (text[index] == '+' || text[index] == '-')) {
        negative = text[index] == '-';
        ++index;
    }
    unsigned long long value = 0;
    const unsigned long long limit = std::numeric_limits<long long>::max();
    for (; index < length && text[index] >= '0' && text[index] <= '9'; ++index) {
        const unsigned long long digit = static_cast<unsigned long long>(text[index] - '0');
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    const auto result = static_cast<long long>(value);
    return negative ? -result : result;
}

// A whole token of decimal digits that fits 32 bits.
bool ParseUnsigned32(const std::string& token, std::uint32_t& outValue)
{
    if (token.empty() || token.size() > 10) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char digit : token) {
        if (digit < '0' || digit > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    outValue = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace

PDFParser::PDFParser() = default;

PDFParser::~PDFParser()
{
    ClearState();
}

void PDFParser::ClearState()
{
    mStream = nullptr;
    mFileSize = 0;
    mTrailer = nullptr;
    mXrefTable.clear();
    mXrefTable.shrink_to_fit();
    mPagesCount = 0;
    mPagesReached = 0;
    mPagesObjectIDs.clear();
    mObjectStreamsCache.clear();
    mDecodedObjectStream.clear();
    mDecodedObjectStream.shrink_to_fit();
    mHasDecodedObjectStream = false;
    mObjectStreamsBeingOpened.clear();
    mUncachedObjectStreams.clear();
    mLastXrefPosition = 0;
}

StatusCode PDFParser::StartDocument(IByteReaderWithPosition* stream)
{
    ClearState();
    if (stream == nullptr) {
        TRACE_LOG("PDFParser::ParseDocument, no stream to read");
        return Failure;
    }
    mStream = stream;
    mCurrentPositionProvider.Assign(stream);
    mObjectParser.AttachStream(stream, &mCurrentPositionProvider);
    // The size bounds every offset and table size read from the file.
    mStream->SetPositionFromEnd(0);
    mFileSize = mStream->GetCurrentPosition();
    mStream->SetPosition(0);
    mObjectParser.ClearReadState();
    return Success;
}

StatusCode PDFParser::ParseDirectoryParts()
{
    ResetReadState();
    if (ParseEOFLine() != Success) {
        return Failure;
    }
    if (ParseXrefPosition() != Success) {
        return Failure;
    }
    return ParseFileDirectory();
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

void PDFParser::ResetReadState()
{
    mCurrentBufferIndex = 0;
    mLastAvailableIndex = 0;
    mLastReadPositionFromEnd = 0;
    mEncounteredFileStart = false;
}

bool PDFParser::ReadNextBufferFromEnd()
{
    const FilePosition remaining = mFileSize - mLastReadPositionFromEnd;
    if (remaining <= 0) {
        mEncounteredFileStart = true;
        return false;
    }
    const FilePosition blockLength = remaining < static_cast<FilePosition>(kBackwardBufferSize)
                                         ? remaining
                                         : static_cast<FilePosition>(kBackwardBufferSize);
    mStream->SetPositionFromEnd(mLastReadPositionFromEnd + blockLength);
    const IOByteCount got = mStream->Read(mLinesBuffer, static_cast<IOByteCount>(blockLength));
    if (got != static_cast<IOByteCount>(blockLength)) {
        // A file that shrank under us or a failing reader: treat the scan as finished.
        mEncounteredFileStart = true;
        return false;
    }
    mLastReadPositionFromEnd += blockLength;
    mCurrentBufferIndex = static_cast<std::size_t>(blockLength);
    mLastAvailableIndex = static_cast<std::size_t>(blockLength);
    mEncounteredFileStart = mLastReadPositionFromEnd == mFileSize;
    return true;
}

bool PDFParser::GoBackTillNonWhiteSpace()
{
    for (;;) {
        if (mCurrentBufferIndex == 0) {
            if (mEncounteredFileStart || !ReadNextBufferFromEnd() || mCurrentBufferIndex == 0) {
                return false;
            }
        }
        --mCurrentBufferIndex;
        if (!IsPDFWhitespace(mLinesBuffer[mCurrentBufferIndex])) {
            return true;
        }
    }
}

void PDFParser::GoBackTillLineStart()
{
    for (;;) {
        if (mCurrentBufferIndex == 0) {
            if (mEncounteredFileStart || !ReadNextBufferFromEnd() || mCurrentBufferIndex == 0) {
                return;
            }
        }
        --mCurrentBufferIndex;
        const Byte value = mLinesBuffer[mCurrentBufferIndex];
        if (value == 0x0D || value == 0x0A) {
            return;
        }
    }
}

FilePosition PDFParser::GetCurrentPositionFromEnd() const
{
    return mLastReadPositionFromEnd - static_cast<FilePosition>(mCurrentBufferIndex);
}

StatusCode PDFParser::ParseEOFLine()
{
    if (!GoBackTillNonWhiteSpace()) {
        TRACE_LOG("PDFParser::ParseEOFLine, Couldn't find tokens in file");
        return Failure;
    }
    GoBackTillLineStart();
    mStream->SetPositionFromEnd(GetCurrentPositionFromEnd());

    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mStream);
    PDFTokenizer::Token token = tokenizer.ReadToken();
    if (token.first && token.second.compare(0, kEOFMarker.size(), kEOFMarker) == 0) {
        return Success;
    }
    TRACE_LOG("PDFParser::ParseEOFLine, failure, last line not %%%%EOF");
    return Failure;
}

StatusCode PDFParser::ParseXrefPosition()
{
    if (!GoBackTillNonWhiteSpace()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, couldn't find xref position token");
        return Failure;
    }
    GoBackTillLineStart();
    mStream->SetPositionFromEnd(GetCurrentPositionFromEnd());
    mObjectParser.ClearReadState();

    RefCountPtr<PDFObject> anObject(mObjectParser.ParseObject(mParserExtender));
    if (anObject.IsNull()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, syntax error in reading xref position");
        return Failure;
    }

    if (anObject->GetType() == PDFObject::ePDFObjectInteger) {
        mLastXrefPosition = static_cast<PDFInteger*>(anObject.Get())->GetValue();
        if (!GoBackTillNonWhiteSpace()) {
            TRACE_LOG("PDFParser::ParseXrefPosition, couldn't find startxref keyword");
            return Failure;
        }
        GoBackTillLineStart();
        mStream->SetPositionFromEnd(GetCurrentPositionFromEnd());
        mObjectParser.ClearReadState();
        RefCountPtr<PDFObject> keyword(mObjectParser.ParseObject(mParserExtender));
        if (!IsSymbol(keyword.Get(), kStartXref)) {
            TRACE_LOG("PDFParser::ParseXrefPosition, syntax error in reading xref position");
            return Failure;
        }
        return Success;
    }

    if (!IsSymbol(anObject.Get(), kStartXref)) {
        // Something else starts the line: look forward for the keyword. A reader that stops
        // delivering without saying so would loop here, so progress is required.
        bool found = false;
        while (mStream->HasMore()) {
            const FilePosition before = mStream->GetCurrentPosition();
            RefCountPtr<PDFObject> next(mObjectParser.ParseObject(mParserExtender));
            if (IsSymbol(next.Get(), kStartXref)) {
                found = true;
                break;
            }
            if (next.IsNull() && mStream->GetCurrentPosition() == before) {
                break;
            }
        }
        if (!found) {
            TRACE_LOG("PDFParser::ParseXrefPosition, could not find startxref keyword");
            return Failure;
        }
    }

    PDFObjectCastPtr<PDFInteger> position(mObjectParser.ParseObject(mParserExtender));
    if (position.IsNull()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, syntax error in reading xref position");
        return Failure;
    }
    mLastXrefPosition = position->GetValue();
    return Success;
}

StatusCode PDFParser::ParseFileDirectory()
{
    if (mLastXrefPosition < 0 || mLastXrefPosition >= mFileSize) {
        TRACE_LOG("PDFParser::ParseFileDirectory, xref position %lld is outside the file",
                  static_cast<long long>(mLastXrefPosition));
        return Failure;
    }
    mStream->SetPosition(mLastXrefPosition);
    mObjectParser.ClearReadState();
    RefCountPtr<PDFObject> anObject(mObjectParser.ParseObject(mParserExtender));
    if (anObject.IsNull()) {
        return Failure;
    }
    if (IsSymbol(anObject.Get(), kXref)) {
        if (ParseTrailerDictionary() != Success) {
            return Failure;
        }
        return ParseDirectory();
    }
    if (anObject->GetType() == PDFObject::ePDFObjectInteger &&
        static_cast<PDFInteger*>(anObject.Get())->GetValue() > 0) {
        return BuildXrefTableAndTrailerFromXrefStream(
            static_cast<PDFInteger*>(anObject.Get())->GetValue());
    }
    TRACE_LOG("PDFParser::ParseFileDirectory,Unexpected object at xref start");
    return Failure;
}

StatusCode PDFParser::ParseTrailerDictionary()
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mStream);
    bool found = false;
    for (;;) {
        PDFTokenizer::Token token = tokenizer.ReadToken();
        if (!token.first) {
            break;
        }
        if (token.second == kTrailer) {
            found = true;
            break;
        }
    }
    if (!found) {
        TRACE_LOG("PDFParser::ParseTrailerDictionary, trailer not found...");
        return Failure;
    }
    // The tokenizer may hold a byte it put back (a "<" right after "trailer").
    mObjectParser.CopyReadState(tokenizer);
    PDFObjectCastPtr<PDFDictionary> trailer(mObjectParser.ParseObject(mParserExtender));
    if (trailer.IsNull()) {
        TRACE_LOG("PDFParser::ParseTrailerDictionary, failure to parse trailer dictionary");
        return Failure;
    }
    mTrailer = std::move(trailer);
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

StatusCode PDFParser::SetupTableSize(PDFDictionary* dictionary, bool streamEntries)
{
    PDFObjectCastPtr<PDFInteger> size(dictionary->Lookup("Size"));
    if (size.IsNull()) {
        return Failure;
    }
    const long long value = size->GetValue();
    const bool acceptable = streamEntries
                                ? IsAcceptableStreamTableSize(static_cast<std::uint64_t>(value))
                                : IsAcceptableTableSize(static_cast<std::uint64_t>(value));
    if (value < 0 || !acceptable) {
        TRACE_LOG("PDFParser::ParseDirectory, table size %lld is more than the file could hold",
                  value);
        return Failure;
    }
    mXrefTable.assign(static_cast<std::size_t>(value), XrefEntry());
    return Success;
}

StatusCode PDFParser::ParseDirectory()
{
    // A hybrid file lists its compressed objects only in the /XRefStm stream, so its /Size
    // is bounded like a stream's.
    if (SetupTableSize(mTrailer.Get(), mTrailer->Contains("XRefStm")) != Success) {
        return Failure;
    }
    if (mTrailer->Contains("Prev")) {
        if (ParsePreviousXrefs(mTrailer.Get()) != Success) {
            return Failure;
        }
    }
    if (ParseXref(mXrefTable, mLastXrefPosition) != Success) {
        return Failure;
    }
    PDFObjectCastPtr<PDFInteger> xrefStreamPosition(mTrailer->Lookup("XRefStm"));
    if (!xrefStreamPosition.IsNull()) {
        if (ParseXrefFromXrefStream(mXrefTable, xrefStreamPosition->GetValue()) != Success) {
            TRACE_LOG("PDFParser::ParseDirectory, failure to parse xref in hybrid mode");
            return Failure;
        }
    }
    return Success;
}

StatusCode PDFParser::ParseXref(XrefTable& table, FilePosition sectionOffset)
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mStream);
    mStream->SetPosition(sectionOffset);
    mObjectParser.ClearReadState();

    StatusCode status = Success;
    PDFTokenizer::Token token = tokenizer.ReadToken();
    if (!token.first || token.second != kXref) {
        TRACE_LOG("PDFParser::ParseXref, error in parsing xref, expected to find \"xref\" "
                  "keyword, found = %s",
                  token.first ? token.second.c_str() : "");
        status = Failure;
    }
    while (status == Success) {
        token = tokenizer.ReadToken();
        if (!token.first) {
            TRACE_LOG("PDFParser::ParseXref, failed to read tokens, while reading xref");
            status = Failure;
            break;
        }
        if (token.second == kTrailer) {
            break;
        }
        std::uint32_t first = 0;
        if (!ParseUnsigned32(token.second, first)) {
            TRACE_LOG("PDFParser::ParseXref, unexpected first object number in subsection "
                      "header = %s",
                      token.second.c_str());
            status = Failure;
            break;
        }
        token = tokenizer.ReadToken();
        if (!token.first) {
            TRACE_LOG("PDFParser::ParseXref, unable to read section size, while reading xref");
            status = Failure;
            break;
        }
        std::uint32_t count = 0;
        if (!ParseUnsigned32(token.second, count)) {
            TRACE_LOG("PDFParser::ParseXref, unexpected count in subsection header = %s",
                      token.second.c_str());
            status = Failure;
            break;
        }
        if (count == 0) {
            continue;
        }
        const std::uint64_t end = static_cast<std::uint64_t>(first) + count;
        if (end > table.size()) {
            if (!IsAcceptableTableSize(end)) {
                TRACE_LOG("PDFParser::ParseXref, subsection %u %u reaches beyond what the file "
                          "could hold",
                          first, count);
                status = Failure;
                break;
            }
            table.resize(static_cast<std::size_t>(end));
        }
        status = ParseXrefEntries(table, first, count);
    }
    // The next ParseObject continues right after "trailer".
    mObjectParser.CopyReadState(tokenizer);
    return status;
}

StatusCode PDFParser::ParseXrefEntries(XrefTable& table, std::uint32_t first, std::uint32_t count)
{
    Byte entry[kXrefEntryLength];
    bool firstEntryOfSection = true;
    // A store's table has an entry per certificate: where the reader's buffer holds an entry
    // and what comes before it, they are taken from it directly instead of byte by byte.
    auto* buffered = typeid(*mStream) == typeid(InputBufferedStream)
                         ? static_cast<InputBufferedStream*>(mStream)
                         : nullptr;
    for (std::uint32_t i = 0; i < count; ++i) {
        // Entries are 20 bytes, but writers disagree on the line end; skip what separates them.
        auto isSeparator = [firstEntryOfSection](Byte value) {
            return firstEntryOfSection ? IsPDFWhitespace(value)
                                       : (value == 0x0D || value == 0x0A || value == ' ');
        };
        bool taken = false;
        if (buffered != nullptr) {
            const Byte* bytes = buffered->BufferedBytes();
            const IOByteCount available = buffered->BufferedCount();
            IOByteCount start = 0;
            while (start < available && isSeparator(bytes[start])) {
                ++start;
            }
            if (start < available && available - start >= kXrefEntryLength) {
                std::memcpy(entry, bytes + start, kXrefEntryLength);
                buffered->ConsumeBuffered(start + static_cast<IOByteCount>(kXrefEntryLength));
                taken = true;
            }
        }
        Byte value = 0;
        for (; !taken;) {
            if (mStream->Read(&value, 1) != 1) {
                TRACE_LOG("PDFParser::ParseXref, failed to read xref entry");
                return Failure;
            }
            if (!isSeparator(value)) {
                entry[0] = value;
                if (mStream->Read(entry + 1, kXrefEntryLength - 1) != kXrefEntryLength - 1) {
                    TRACE_LOG("PDFParser::ParseXref, failed to read xref entry");
                    return Failure;
                }
                break;
            }
        }
        firstEntryOfSection = false;
        const std::size_t objectID = static_cast<std::size_t>(first) + i;
        if (objectID >= table.size()) {
            continue;
        }
        XrefEntry& target = table[objectID];
        target.mPosition = ParseLeadingDecimal(entry, 10);
        const long long generation = ParseLeadingDecimal(entry + 11, 5);
        target.mGeneration = static_cast<std::uint32_t>(generation < 0 ? 0 : generation);
        target.mType = entry[17] == 'n' ? XrefEntryInFile : XrefEntryFree;
    }
    return Success;
}

StatusCode PDFParser::ParsePreviousXrefs(PDFDictionary* dictionary)
{
    // Older sections are applied first so that newer ones win. The chain is walked forward
    // once to learn its offsets (reading each section into a scratch table, since its
    // /Prev is in its trailer), then the sections are read into the table oldest first.
    // A damaged file can point /Prev back at a section already read; every offset seen is
    // remembered and such a loop ends the chain.
    std::vector<FilePosition> offsets;
    std::set<FilePosition> visited;
    visited.insert(mLastXrefPosition);
    XrefTable scratch(mXrefTable.size());
    RefCountPtr<PDFDictionary> current(dictionary);
    dictionary->Retain();

    for (;;) {
        PDFObjectCastPtr<PDFInteger> previous(current->Lookup("Prev"));
        if (previous.IsNull()) {
            TRACE_LOG("PDFParser::ParsePreviousXrefs, unexpected, prev is not integer");
            return Failure;
        }
        const FilePosition offset = previous->GetValue();
        if (visited.count(offset) != 0) {
            TRACE_LOG("PDFParser::ParsePreviousXrefs, prev points back to a section already "
                      "read, at %lld. ignoring the rest of the chain",
                      static_cast<long long>(offset));
            break;
        }
        if (offsets.size() >= static_cast<std::size_t>(kMaxPreviousSections)) {
            TRACE_LOG("PDFParser::ParsePreviousXrefs, more than %d previous sections, failing",
                      kMaxPreviousSections);
            return Failure;
        }
        RefCountPtr<PDFDictionary> sectionTrailer;
        if (ParsePreviousDirectory(offset, scratch, sectionTrailer) != Success) {
            return Failure;
        }
        offsets.push_back(offset);
        visited.insert(offset);
        if (!sectionTrailer->Contains("Prev")) {
            break;
        }
        current = std::move(sectionTrailer);
    }

    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
        RefCountPtr<PDFDictionary> sectionTrailer;
        if (ParsePreviousDirectory(*it, mXrefTable, sectionTrailer) != Success) {
            return Failure;
        }
    }
    return Success;
}

StatusCode PDFParser::ParsePreviousDirectory(FilePosition sectionOffset, XrefTable& table,
                                             RefCountPtr<PDFDictionary>& outTrailer)
{
    if (sectionOffset < 0 || sectionOffset >= mFileSize) {
        TRACE_LOG("PDFParser::ParseDirectory, previous section offset %lld is outside the file",
                  static_cast<long long>(sectionOffset));
        return Failure;
    }
    mStream->SetPosition(sectionOffset);
    mObjectParser.ClearReadState();
    RefCountPtr<PDFObject> anObject(mObjectParser.ParseObject(mParserExtender));
    if (anObject.IsNull()) {
        return Failure;
    }

    if (IsSymbol(anObject.Get(), kXref)) {
        if (ParseXref(table, sectionOffset) != Success) {
            TRACE_LOG("PDFParser::ParseDirectory, failed to parse xref table in %lld",
                      static_cast<long long>(sectionOffset));
            return Failure;
        }
        PDFObjectCastPtr<PDFDictionary> trailer(mObjectParser.ParseObject(mParserExtender));
        if (trailer.IsNull()) {
            TRACE_LOG("PDFParser::ParseDirectory, failure to parse trailer dictionary");
            return Failure;
        }
        PDFObjectCastPtr<PDFInteger> xrefStreamPosition(trailer->Lookup("XRefStm"));
        if (!xrefStreamPosition.IsNull()) {
            if (ParseXrefFromXrefStream(table, xrefStreamPosition->GetValue()) != Success) {
                TRACE_LOG("PDFParser::ParseDirectory, failure to parse xref in hybrid mode");
                return Failure;
            }
        }
        outTrailer = std::move(trailer);
        return Success;
    }

    if (anObject->GetType() == PDFObject::ePDFObjectInteger &&
        static_cast<PDFInteger*>(anObject.Get())->GetValue() > 0) {
        const long long objectID = static_cast<PDFInteger*>(anObject.Get())->GetValue();
        const DeclarationTraceTexts texts{
            "PDFParser::ParseDirectory, failed to read xref object declaration",
            "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to parse xref stream"};
        RefCountPtr<PDFStreamInput> xrefStream;
        if (ParseStreamObject(objectID, texts, xrefStream) != Success) {
            return Failure;
        }
        RefCountPtr<PDFDictionary> streamDictionary(xrefStream->GetDictionary());
        outTrailer = std::move(streamDictionary);
        return ParseXrefFromXrefStream(table, xrefStream.Get());
    }

    TRACE_LOG("PDFParser::ParseDirectory,Unexpected object at xref start");
    return Failure;
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
        return ParseExistingInDirectObject(objectID);
    case XrefEntryInObjectStream:
        return ParseExistingInDirectStreamObject(objectID);
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
    const XrefEntry* entry = XrefEntryFor(objectID);
    // Decryption, objects in object streams and objects the directory does not place in the
    // file are left to the object parser, as is any stream that is not the document's buffer.
    if (entry == nullptr || entry->mType != XrefEntryInFile || entry->mGeneration != generation ||
        mParserExtender != nullptr || entry->mPosition < 0 || entry->mPosition >= mFileSize ||
        mStream == nullptr || typeid(*mStream) != typeid(InputBufferedStream)) {
        return false;
    }
    auto* stream = static_cast<InputBufferedStream*>(mStream);
    const FilePosition start = entry->mPosition;
    MoveToObject(stream, start);
    mObjectParser.ClearReadState();
    auto buffered = [stream](std::size_t count) {
        return std::string_view(reinterpret_cast<const char*>(stream->BufferedBytes()), count);
    };
    // Usually the whole object is buffered and is scanned where it lies; nothing is taken.
    std::size_t count = stream->BufferedCount();
    PlainScanResult result =
        ScanPlainDictionaryObject(buffered(count), objectID, generation,
                                  start + static_cast<FilePosition>(count) >= mFileSize, out);
    if (result != PlainScanResult::NeedMore) {
        return result == PlainScanResult::Plain;
    }
    // The object runs past the buffer. Its bytes are gathered, and exactly those are taken from
    // the stream, so that the next object (further on in the file) is still ahead of it.
    out.gathered.clear();
    std::size_t piece = 16 * 1024;
    for (;;) {
        if (stream->BufferedCount() == 0) {
            Byte next = 0;
            if (stream->Read(&next, 1) != 1) { // refills the buffer
                return false;
            }
            out.gathered.push_back(static_cast<char>(next));
        }
        const std::size_t before = out.gathered.size();
        count = std::min<std::size_t>(stream->BufferedCount(), piece);
        out.gathered.append(buffered(count));
        if (out.gathered.size() > kMaxPlainObjectSize) {
            return false;
        }
        result = ScanPlainDictionaryObject(
            out.gathered, objectID, generation,
            start + static_cast<FilePosition>(out.gathered.size()) >= mFileSize, out);
        if (result == PlainScanResult::Plain) {
            stream->ConsumeBuffered(static_cast<IOByteCount>(
                out.objectLength > before ? out.objectLength - before : 0));
            return true;
        }
        if (result == PlainScanResult::NotPlain) {
            return false;
        }
        stream->ConsumeBuffered(static_cast<IOByteCount>(count)); // all of it is the object's
        piece = std::min<std::size_t>(piece * 2, kMaxPlainObjectSize);
    }
}

PDFObject* PDFParser::ParseExistingInDirectObject(ObjectNumber objectID)
{
    const XrefEntry& entry = mXrefTable[objectID];
    if (entry.mPosition < 0 || entry.mPosition >= mFileSize) {
        TRACE_LOG("PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
                  "ID");
        return nullptr;
    }
    MoveToObject(mStream, entry.mPosition);
    mObjectParser.ClearReadState();

    PDFObjectCastPtr<PDFInteger> idObject(mObjectParser.ParseObject(mParserExtender));
    if (idObject.IsNull()) {
        TRACE_LOG("PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
                  "ID");
        return nullptr;
    }
    if (idObject->GetValue() != static_cast<long long>(objectID)) {
        TRACE_LOG("PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
                  "exepected ID = %lld, found %lld",
                  static_cast<long long>(objectID), idObject->GetValue());
        return nullptr;
    }
    const DeclarationTraceTexts texts{
        "PDFParser::ParseExistingInDirectObject, failed to read object declaration"};
    if (ParseObjectDeclaration(static_cast<long long>(objectID),
                               static_cast<long long>(entry.mGeneration), texts) != Success) {
        return nullptr;
    }
    PDFObject* body = mObjectParser.ParseObject(mParserExtender);
    if (mParserExtender != nullptr) {
        mParserExtender->OnObjectEnd(body);
    }
    return body;
}

StatusCode PDFParser::ParseObjectDeclaration(long long objectID,
                                             std::optional<long long> expectedGeneration,
                                             const DeclarationTraceTexts& texts)
{
    PDFObjectCastPtr<PDFInteger> generation(mObjectParser.ParseObject(mParserExtender));
    if (generation.IsNull()) {
        TRACE_LOG("%s, Version", texts.mDeclaration);
        return Failure;
    }
    if (mParserExtender != nullptr) {
        mParserExtender->OnObjectStart(objectID, generation->GetValue());
    }
    if (expectedGeneration.has_value() && generation->GetValue() != *expectedGeneration) {
        TRACE_LOG("%s, exepected version = %lld, found %lld", texts.mDeclaration,
                  *expectedGeneration, generation->GetValue());
        return Failure;
    }
    PDFObjectCastPtr<PDFSymbol> keyword(mObjectParser.ParseObject(mParserExtender));
    if (keyword.IsNull()) {
        TRACE_LOG("%s, obj keyword", texts.mDeclaration);
        return Failure;
    }
    if (keyword->GetValue() != kObj) {
        TRACE_LOG("%s, expected obj keyword found %s", texts.mDeclaration,
                  keyword->GetValue().c_str());
        return Failure;
    }
    return Success;
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
