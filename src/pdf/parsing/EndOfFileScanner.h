#pragma once

#include <cstddef>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"

class IByteReaderWithPosition;
class ParserExtender;
class PDFObjectParser;

// Finds where the last cross-reference section starts by reading the end of a file backwards:
// the last line must hold the end marker, and the lines before it "startxref" and the offset.
// Reads the file through a window of kBackwardBufferSize bytes that moves from the end towards
// the start, so a large file costs one window, and never reads a byte twice.
//
// Borrows the stream and the object parser (which must be attached to the same stream); both
// must outlive the scan. The stream is moved as the scan goes.
class EndOfFileScanner
{
public:
    // Refill window of the backward scan over the end of the file.
    static constexpr std::size_t kBackwardBufferSize = 1024;

    // Starts a new scan of a stream of fileSize bytes from its end.
    void Reset(IByteReaderWithPosition* stream, FilePosition fileSize,
               PDFObjectParser* objectParser, ParserExtender* extender);

    // The last line that is not white space begins with "%%EOF". Leaves the cursor at the start
    // of that line, where ParseXrefPosition goes on.
    StatusCode ParseEOFLine();
    // The offset given after "startxref", on the lines before the last one.
    StatusCode ParseXrefPosition(FilePosition& outXrefPosition);

private:
    IByteReaderWithPosition* mStream = nullptr;
    PDFObjectParser* mObjectParser = nullptr;
    ParserExtender* mParserExtender = nullptr;
    FilePosition mFileSize = 0;

    Byte mLinesBuffer[kBackwardBufferSize] = {};
    std::size_t mCurrentBufferIndex = 0; // the cursor: next byte to examine is the one before
    std::size_t mLastAvailableIndex = 0;
    FilePosition mLastReadPositionFromEnd = 0;
    bool mEncounteredFileStart = false;

    bool ReadNextBufferFromEnd();
    bool GoBackTillNonWhiteSpace();
    void GoBackTillLineStart();
    FilePosition GetCurrentPositionFromEnd() const;
};
