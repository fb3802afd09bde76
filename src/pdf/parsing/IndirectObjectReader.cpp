#include "pdf/parsing/IndirectObjectReader.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/PDFParser.h"
#include "pdf/parsing/ParserExtender.h"
#include "pdf/parsing/PlainDictionaryScanner.h"

namespace {

const std::string kObj = "obj";

// Moves the reader to an object's position. Objects are mostly fetched in file order and lie
// close together, so a forward move that stays within the bytes already buffered consumes
// them; a seek would throw the buffer away and read a whole new one for every object.
void MoveToObject(IByteReaderWithPosition* stream, InputBufferedStream* buffered,
                  FilePosition position)
{
    if (buffered != nullptr) {
        const FilePosition current = buffered->GetCurrentPosition();
        if (position >= current &&
            position - current < static_cast<FilePosition>(buffered->BufferedCount())) {
            buffered->ConsumeBuffered(static_cast<IOByteCount>(position - current));
            return;
        }
    }
    stream->SetPosition(position);
}

} // namespace

bool IndirectObjectReader::ReadPlainDictionaryObject(ObjectNumber objectID,
                                                     std::uint32_t generation, PlainDictionary& out)
{
    const XrefEntry* entry = mParser.XrefEntryFor(objectID);
    // Decryption, objects in object streams and objects the directory does not place in the
    // file are left to the object parser, as is any stream that is not the document's buffer.
    if (entry == nullptr || entry->mType != XrefEntryInFile || entry->mGeneration != generation ||
        mParser.mParserExtender != nullptr || entry->mPosition < 0 ||
        entry->mPosition >= mParser.mFileSize || mParser.mStream == nullptr ||
        mParser.mBufferedStream == nullptr) {
        return false;
    }
    InputBufferedStream* stream = mParser.mBufferedStream;
    const FilePosition start = entry->mPosition;
    MoveToObject(stream, stream, start);
    mParser.mObjectParser.ClearReadState();
    auto buffered = [stream](std::size_t count) {
        return std::string_view(reinterpret_cast<const char*>(stream->BufferedBytes()), count);
    };
    // Usually the whole object is buffered and is scanned where it lies; nothing is taken.
    std::size_t count = stream->BufferedCount();
    PlainScanResult result = ScanPlainDictionaryObject(
        buffered(count), objectID, generation,
        start + static_cast<FilePosition>(count) >= mParser.mFileSize, out);
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
        if (out.gathered.size() > PDFParser::kMaxPlainObjectSize) {
            return false;
        }
        result = ScanPlainDictionaryObject(
            out.gathered, objectID, generation,
            start + static_cast<FilePosition>(out.gathered.size()) >= mParser.mFileSize, out);
        if (result == PlainScanResult::Plain) {
            stream->ConsumeBuffered(static_cast<IOByteCount>(
                out.objectLength > before ? out.objectLength - before : 0));
            return true;
        }
        if (result == PlainScanResult::NotPlain) {
            return false;
        }
        stream->ConsumeBuffered(static_cast<IOByteCount>(count)); // all of it is the object's
        piece = std::min<std::size_t>(piece * 2, PDFParser::kMaxPlainObjectSize);
    }
}

PDFObject* IndirectObjectReader::ParseExistingInDirectObject(ObjectNumber objectID)
{
    const XrefEntry& entry = mParser.mXrefTable[objectID];
    if (entry.mPosition < 0 || entry.mPosition >= mParser.mFileSize) {
        TRACE_LOG("PDFParser::ParseExistingInDirectObject, failed to read object declaration, "
                  "ID");
        return nullptr;
    }
    MoveToObject(mParser.mStream, mParser.mBufferedStream, entry.mPosition);
    mParser.mObjectParser.ClearReadState();

    PDFObjectCastPtr<PDFInteger> idObject(mParser.ParseNextObject());
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
    PDFObject* body = mParser.ParseNextObject();
    if (mParser.mParserExtender != nullptr) {
        mParser.mParserExtender->OnObjectEnd(body);
    }
    return body;
}

StatusCode IndirectObjectReader::ParseObjectDeclaration(long long objectID,
                                                        std::optional<long long> expectedGeneration,
                                                        const DeclarationTraceTexts& texts)
{
    PDFObjectCastPtr<PDFInteger> generation(mParser.ParseNextObject());
    if (generation.IsNull()) {
        TRACE_LOG("%s, Version", texts.mDeclaration);
        return Failure;
    }
    if (mParser.mParserExtender != nullptr) {
        mParser.mParserExtender->OnObjectStart(objectID, generation->GetValue());
    }
    if (expectedGeneration.has_value() && generation->GetValue() != *expectedGeneration) {
        TRACE_LOG("%s, exepected version = %lld, found %lld", texts.mDeclaration,
                  *expectedGeneration, generation->GetValue());
        return Failure;
    }
    PDFObjectCastPtr<PDFSymbol> keyword(mParser.ParseNextObject());
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

StatusCode IndirectObjectReader::ParseStreamObject(long long objectID,
                                                   const DeclarationTraceTexts& texts,
                                                   RefCountPtr<PDFStreamInput>& outStream)
{
    if (ParseObjectDeclaration(objectID, std::nullopt, texts) != Success) {
        return Failure;
    }
    PDFObjectCastPtr<PDFStreamInput> stream(mParser.ParseNextObject());
    if (stream.IsNull()) {
        TRACE_LOG("%s", texts.mStreamBody);
        return Failure;
    }
    if (mParser.mParserExtender != nullptr) {
        mParser.mParserExtender->OnObjectEnd(stream.Get());
    }
    outStream = std::move(stream);
    return Success;
}
