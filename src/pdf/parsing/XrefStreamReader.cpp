#include "pdf/parsing/XrefStreamReader.h"

#include <memory>
#include <vector>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/parsing/IndirectObjectReader.h"
#include "pdf/parsing/PDFParser.h"

namespace {

// Entry fields land in a 64-bit type, a 64-bit position and a 32-bit generation; wider
// fields would lose their high bytes, so they are refused.
constexpr long long kMaxTypeFieldWidth = 8;
constexpr long long kMaxPositionFieldWidth = 8;
constexpr long long kMaxGenerationFieldWidth = 4;
constexpr std::size_t kXrefFieldCount = 3;

std::uint64_t BigEndianValue(const Byte* bytes, long long width)
{
    std::uint64_t value = 0;
    for (long long i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

} // namespace

StatusCode XrefStreamReader::ParseXrefFromXrefStream(XrefTable& table,
                                                     FilePosition xrefStreamOffset)
{
    if (xrefStreamOffset < 0 || xrefStreamOffset >= mParser.mFileSize) {
        TRACE_LOG("PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream "
                  "at %lld",
                  static_cast<long long>(xrefStreamOffset));
        return Failure;
    }
    mParser.MoveTo(xrefStreamOffset);
    PDFObjectCastPtr<PDFInteger> objectID(mParser.ParseNextObject());
    if (objectID.IsNull() || objectID->GetValue() <= 0) {
        TRACE_LOG("PDFParser::ParseXrefFromXrefStream, expecting object number for xref stream "
                  "at %lld",
                  static_cast<long long>(xrefStreamOffset));
        return Failure;
    }
    const IndirectObjectReader::DeclarationTraceTexts texts{
        "PDFParser::ParseXrefFromXrefStream, failed to read xref object declaration",
        "PDFParser::ParseXrefFromXrefStream, failure to parse xref stream"};
    RefCountPtr<PDFStreamInput> xrefStream;
    if (mParser.mObjectReader.ParseStreamObject(objectID->GetValue(), texts, xrefStream) !=
        Success) {
        return Failure;
    }
    return ParseXrefFromXrefStream(table, xrefStream.Get());
}

StatusCode XrefStreamReader::ParseXrefFromXrefStream(XrefTable& table, PDFStreamInput* xrefStream)
{
    std::unique_ptr<IByteReader> reader(mParser.CreateInputStreamReader(xrefStream));
    if (reader == nullptr) {
        return Failure;
    }
    RefCountPtr<PDFDictionary> dictionary(xrefStream->GetDictionary());

    PDFObjectCastPtr<PDFArray> widthsArray(mParser.ResolveDictionaryEntry(dictionary.Get(), "W"));
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
    PDFObjectCastPtr<PDFArray> index(mParser.ResolveDictionaryEntry(dictionary.Get(), "Index"));
    PDFObjectCastPtr<PDFInteger> size;
    if (index.IsNull()) {
        size =
            PDFObjectCastPtr<PDFInteger>(mParser.ResolveDictionaryEntry(dictionary.Get(), "Size"));
        if (size.IsNull()) {
            TRACE_LOG("PDFParser::ParseXrefFromXrefStream, xref size does not exist for this "
                      "stream");
            return Failure;
        }
    }
    mParser.MoveTo(xrefStream->GetDataStart());

    auto growTable = [this, &table](long long first, long long count) {
        const auto end = static_cast<std::uint64_t>(first) + static_cast<std::uint64_t>(count);
        if (first < 0 || count < 0 || !mParser.IsAcceptableStreamTableSize(end)) {
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

StatusCode XrefStreamReader::ReadXrefStreamSegment(XrefTable& table, std::uint64_t first,
                                                   std::uint64_t count, IByteReader* reader,
                                                   const int* widths, std::size_t widthsCount)
{
    if (widthsCount != kXrefFieldCount) {
        TRACE_LOG("PDFParser::ReadXrefStreamSegment, can handle only 3 length entries");
        return Failure;
    }
    // ParseXrefFromXrefStream refuses such widths with its own trace line before it gets here.
    const long long typeWidth = widths[0];
    const long long positionWidth = widths[1];
    const long long generationWidth = widths[2];
    if (typeWidth < 0 || typeWidth > kMaxTypeFieldWidth || positionWidth < 0 ||
        positionWidth > kMaxPositionFieldWidth || generationWidth < 0 ||
        generationWidth > kMaxGenerationFieldWidth) {
        TRACE_LOG("PDFParser::ReadXrefStreamSegment, field widths %lld %lld %lld do not fit the "
                  "entry fields",
                  typeWidth, positionWidth, generationWidth);
        return Failure;
    }
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
