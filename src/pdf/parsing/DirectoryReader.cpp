#include "pdf/parsing/DirectoryReader.h"

#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/IndirectObjectReader.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/PDFSyntax.h"
#include "pdf/parsing/PDFTokenizer.h"
#include "pdf/parsing/XrefStreamReader.h"

namespace {

const std::string kXref = "xref";
const std::string kTrailer = "trailer";

constexpr IOByteCount kXrefEntryLength = 20;

bool IsSymbol(PDFObject* object, const std::string& text)
{
    return object != nullptr && object->GetType() == PDFObject::ePDFObjectSymbol &&
           static_cast<PDFSymbol*>(object)->GetValue() == text;
}

// A whole token of decimal digits that fits 32 bits.
bool ParseUnsigned32(const std::string& token, std::uint32_t& outValue)
{
    long long value = 0;
    if (token.empty() || token.size() > 10 || !PDFSyntax::IsDigit(static_cast<Byte>(token[0])) ||
        !PDFSyntax::ReadWholeInteger(token, value) ||
        value > static_cast<long long>(std::numeric_limits<std::uint32_t>::max())) {
        return false;
    }
    outValue = static_cast<std::uint32_t>(value);
    return true;
}

// The integer a field of a classic entry starts with (offset or generation); 0 when it starts
// with none.
long long LeadingInteger(const Byte* field, std::size_t length)
{
    return PDFSyntax::ScanInteger(std::string_view(reinterpret_cast<const char*>(field), length))
        .value;
}

} // namespace

StatusCode DirectoryReader::ParseFileDirectory()
{
    if (mParser.mLastXrefPosition < 0 || mParser.mLastXrefPosition >= mParser.mFileSize) {
        TRACE_LOG("PDFParser::ParseFileDirectory, xref position %lld is outside the file",
                  static_cast<long long>(mParser.mLastXrefPosition));
        return Failure;
    }
    mParser.MoveTo(mParser.mLastXrefPosition);
    RefCountPtr<PDFObject> anObject(mParser.ParseNextObject());
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

StatusCode DirectoryReader::ParseTrailerDictionary()
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mParser.mStream);
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
    mParser.mObjectParser.CopyReadState(tokenizer);
    PDFObjectCastPtr<PDFDictionary> trailer(mParser.ParseNextObject());
    if (trailer.IsNull()) {
        TRACE_LOG("PDFParser::ParseTrailerDictionary, failure to parse trailer dictionary");
        return Failure;
    }
    mParser.mTrailer = std::move(trailer);
    return Success;
}

StatusCode DirectoryReader::SetupTableSize(PDFDictionary* dictionary, bool streamEntries)
{
    PDFObjectCastPtr<PDFInteger> size(dictionary->Lookup("Size"));
    if (size.IsNull()) {
        return Failure;
    }
    const long long value = size->GetValue();
    const bool acceptable =
        streamEntries ? mParser.IsAcceptableStreamTableSize(static_cast<std::uint64_t>(value))
                      : mParser.IsAcceptableTableSize(static_cast<std::uint64_t>(value));
    if (value < 0 || !acceptable) {
        TRACE_LOG("PDFParser::SetupTableSize, table size %lld is more than the file could hold",
                  value);
        return Failure;
    }
    mParser.mXrefTable.assign(static_cast<std::size_t>(value), XrefEntry());
    return Success;
}

StatusCode DirectoryReader::ParseDirectory()
{
    // A hybrid file lists its compressed objects only in the /XRefStm stream, so its /Size
    // is bounded like a stream's.
    if (SetupTableSize(mParser.mTrailer.Get(), mParser.mTrailer->Contains("XRefStm")) != Success) {
        return Failure;
    }
    if (mParser.mTrailer->Contains("Prev")) {
        if (ParsePreviousXrefs(mParser.mTrailer.Get()) != Success) {
            return Failure;
        }
    }
    if (ParseXref(mParser.mXrefTable, mParser.mLastXrefPosition) != Success) {
        return Failure;
    }
    PDFObjectCastPtr<PDFInteger> xrefStreamPosition(mParser.mTrailer->Lookup("XRefStm"));
    if (!xrefStreamPosition.IsNull()) {
        if (mParser.mXrefStreamReader.ParseXrefFromXrefStream(
                mParser.mXrefTable, xrefStreamPosition->GetValue()) != Success) {
            TRACE_LOG("PDFParser::ParseDirectory, failure to parse xref in hybrid mode");
            return Failure;
        }
    }
    return Success;
}

StatusCode DirectoryReader::ParseXref(XrefTable& table, FilePosition sectionOffset)
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(mParser.mStream);
    mParser.MoveTo(sectionOffset);

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
            if (!mParser.IsAcceptableTableSize(end)) {
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
    mParser.mObjectParser.CopyReadState(tokenizer);
    return status;
}

StatusCode DirectoryReader::ParseXrefEntries(XrefTable& table, std::uint32_t first,
                                             std::uint32_t count)
{
    Byte entry[kXrefEntryLength];
    bool firstEntryOfSection = true;
    // A store's table has an entry per certificate: where the reader's buffer holds an entry
    // and what comes before it, they are taken from it directly instead of byte by byte.
    InputBufferedStream* buffered = mParser.mBufferedStream;
    for (std::uint32_t i = 0; i < count; ++i) {
        // Entries are 20 bytes, but writers disagree on the line end; skip what separates them.
        auto isSeparator = [firstEntryOfSection](Byte value) {
            return firstEntryOfSection
                       ? PDFSyntax::IsWhitespace(value)
                       : (value == PDFSyntax::kCR || value == PDFSyntax::kLF || value == ' ');
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
            if (mParser.mStream->Read(&value, 1) != 1) {
                TRACE_LOG("PDFParser::ParseXref, failed to read xref entry");
                return Failure;
            }
            if (!isSeparator(value)) {
                entry[0] = value;
                if (mParser.mStream->Read(entry + 1, kXrefEntryLength - 1) !=
                    kXrefEntryLength - 1) {
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
        target.mPosition = LeadingInteger(entry, 10);
        const long long generation = LeadingInteger(entry + 11, 5);
        target.mGeneration = static_cast<std::uint32_t>(generation < 0 ? 0 : generation);
        target.mType = entry[17] == 'n' ? XrefEntryInFile : XrefEntryFree;
    }
    return Success;
}

StatusCode DirectoryReader::ParsePreviousXrefs(PDFDictionary* dictionary)
{
    // Older sections are applied first so that newer ones win. The chain is walked forward
    // once to learn its offsets (reading each section into a scratch table, since its
    // /Prev is in its trailer), then the sections are read into the table oldest first.
    // A damaged file can point /Prev back at a section already read; every offset seen is
    // remembered and such a loop ends the chain.
    std::vector<FilePosition> offsets;
    std::set<FilePosition> visited;
    visited.insert(mParser.mLastXrefPosition);
    XrefTable scratch(mParser.mXrefTable.size());
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
        if (ParsePreviousDirectory(*it, mParser.mXrefTable, sectionTrailer) != Success) {
            return Failure;
        }
    }
    return Success;
}

StatusCode DirectoryReader::ParsePreviousDirectory(FilePosition sectionOffset, XrefTable& table,
                                                   RefCountPtr<PDFDictionary>& outTrailer)
{
    if (sectionOffset < 0 || sectionOffset >= mParser.mFileSize) {
        TRACE_LOG("PDFParser::ParsePreviousDirectory, previous section offset %lld is outside the "
                  "file",
                  static_cast<long long>(sectionOffset));
        return Failure;
    }
    mParser.MoveTo(sectionOffset);
    RefCountPtr<PDFObject> anObject(mParser.ParseNextObject());
    if (anObject.IsNull()) {
        return Failure;
    }

    if (IsSymbol(anObject.Get(), kXref)) {
        if (ParseXref(table, sectionOffset) != Success) {
            TRACE_LOG("PDFParser::ParseDirectory, failed to parse xref table in %lld",
                      static_cast<long long>(sectionOffset));
            return Failure;
        }
        PDFObjectCastPtr<PDFDictionary> trailer(mParser.ParseNextObject());
        if (trailer.IsNull()) {
            TRACE_LOG("PDFParser::ParseDirectory, failure to parse trailer dictionary");
            return Failure;
        }
        PDFObjectCastPtr<PDFInteger> xrefStreamPosition(trailer->Lookup("XRefStm"));
        if (!xrefStreamPosition.IsNull()) {
            if (mParser.mXrefStreamReader.ParseXrefFromXrefStream(
                    table, xrefStreamPosition->GetValue()) != Success) {
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
        const IndirectObjectReader::DeclarationTraceTexts texts{
            "PDFParser::ParseDirectory, failed to read xref object declaration",
            "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to parse xref stream"};
        RefCountPtr<PDFStreamInput> xrefStream;
        if (mParser.mObjectReader.ParseStreamObject(objectID, texts, xrefStream) != Success) {
            return Failure;
        }
        RefCountPtr<PDFDictionary> streamDictionary(xrefStream->GetDictionary());
        outTrailer = std::move(streamDictionary);
        return mParser.mXrefStreamReader.ParseXrefFromXrefStream(table, xrefStream.Get());
    }

    TRACE_LOG("PDFParser::ParseDirectory,Unexpected object at xref start");
    return Failure;
}

StatusCode DirectoryReader::BuildXrefTableAndTrailerFromXrefStream(long long xrefStreamObjectID)
{
    const IndirectObjectReader::DeclarationTraceTexts texts{
        "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failed to read xref object "
        "declaration",
        "PDFParser::BuildXrefTableAndTrailerFromXrefStream, failure to parse xref stream"};
    RefCountPtr<PDFStreamInput> xrefStream;
    if (mParser.mObjectReader.ParseStreamObject(xrefStreamObjectID, texts, xrefStream) != Success) {
        return Failure;
    }
    RefCountPtr<PDFDictionary> streamDictionary(xrefStream->GetDictionary());
    mParser.mTrailer = std::move(streamDictionary);

    if (SetupTableSize(mParser.mTrailer.Get(), true) != Success) {
        return Failure;
    }
    if (mParser.mTrailer->Contains("Prev")) {
        if (ParsePreviousXrefs(mParser.mTrailer.Get()) != Success) {
            return Failure;
        }
    }
    return mParser.mXrefStreamReader.ParseXrefFromXrefStream(mParser.mXrefTable, xrefStream.Get());
}
