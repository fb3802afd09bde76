#include "pdf/parsing/EndOfFileScanner.h"

#include <string>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/TraceLog.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFSyntax.h"
#include "pdf/parsing/PDFTokenizer.h"

namespace {

const std::string kEOFMarker = "%%EOF";
const std::string kStartXref = "startxref";

bool IsSymbol(PDFObject* object, const std::string& text)
{
    return object != nullptr && object->GetType() == PDFObject::ePDFObjectSymbol &&
           static_cast<PDFSymbol*>(object)->GetValue() == text;
}

} // namespace

void EndOfFileScanner::Reset(IByteReaderWithPosition* stream, FilePosition fileSize,
                             PDFObjectParser* objectParser, ParserExtender* extender)
{
    mStream = stream;
    mFileSize = fileSize;
    mObjectParser = objectParser;
    mParserExtender = extender;
    mCurrentBufferIndex = 0;
    mLastAvailableIndex = 0;
    mLastReadPositionFromEnd = 0;
    mEncounteredFileStart = false;
}

bool EndOfFileScanner::ReadNextBufferFromEnd()
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

bool EndOfFileScanner::GoBackTillNonWhiteSpace()
{
    for (;;) {
        if (mCurrentBufferIndex == 0) {
            if (mEncounteredFileStart || !ReadNextBufferFromEnd() || mCurrentBufferIndex == 0) {
                return false;
            }
        }
        --mCurrentBufferIndex;
        if (!PDFSyntax::IsWhitespace(mLinesBuffer[mCurrentBufferIndex])) {
            return true;
        }
    }
}

void EndOfFileScanner::GoBackTillLineStart()
{
    for (;;) {
        if (mCurrentBufferIndex == 0) {
            if (mEncounteredFileStart || !ReadNextBufferFromEnd() || mCurrentBufferIndex == 0) {
                return;
            }
        }
        --mCurrentBufferIndex;
        const Byte value = mLinesBuffer[mCurrentBufferIndex];
        if (value == PDFSyntax::kCR || value == PDFSyntax::kLF) {
            return;
        }
    }
}

FilePosition EndOfFileScanner::GetCurrentPositionFromEnd() const
{
    return mLastReadPositionFromEnd - static_cast<FilePosition>(mCurrentBufferIndex);
}

StatusCode EndOfFileScanner::ParseEOFLine()
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

StatusCode EndOfFileScanner::ParseXrefPosition(FilePosition& outXrefPosition)
{
    if (!GoBackTillNonWhiteSpace()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, couldn't find xref position token");
        return Failure;
    }
    GoBackTillLineStart();
    mStream->SetPositionFromEnd(GetCurrentPositionFromEnd());
    mObjectParser->ClearReadState();

    RefCountPtr<PDFObject> anObject(mObjectParser->ParseObject(mParserExtender));
    if (anObject.IsNull()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, syntax error in reading xref position");
        return Failure;
    }

    if (anObject->GetType() == PDFObject::ePDFObjectInteger) {
        outXrefPosition = static_cast<PDFInteger*>(anObject.Get())->GetValue();
        if (!GoBackTillNonWhiteSpace()) {
            TRACE_LOG("PDFParser::ParseXrefPosition, couldn't find startxref keyword");
            return Failure;
        }
        GoBackTillLineStart();
        mStream->SetPositionFromEnd(GetCurrentPositionFromEnd());
        mObjectParser->ClearReadState();
        RefCountPtr<PDFObject> keyword(mObjectParser->ParseObject(mParserExtender));
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
            RefCountPtr<PDFObject> next(mObjectParser->ParseObject(mParserExtender));
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

    PDFObjectCastPtr<PDFInteger> position(mObjectParser->ParseObject(mParserExtender));
    if (position.IsNull()) {
        TRACE_LOG("PDFParser::ParseXrefPosition, syntax error in reading xref position");
        return Failure;
    }
    outXrefPosition = position->GetValue();
    return Success;
}
