#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "pdf/io/IOBasicTypes.h"

class IByteReader;
class InputBufferedStream;

// Splits a byte stream in PDF object syntax into tokens and returns each as plain text,
// comments included; interpreting the text is left to the caller. The one exception is the
// keyword "stream", whose end of line is consumed here so that the next byte read is the
// first byte of the stream data.
//
// A plain value type: copying it copies the read state. The reader is borrowed and must
// outlive the tokenizer's use of it. The tokenizer never seeks and writes no trace lines.
//
// When the reader is an InputBufferedStream (the document reader's case) the tokenizer scans
// its buffer directly instead of calling Read per byte; it still takes exactly the bytes it
// would take one by one, so the reader's position and the counters are the same either way.
class PDFTokenizer
{
public:
    using Token = std::pair<bool, std::string>;

    PDFTokenizer() = default;

    // Sets the reader and clears the read state.
    void AttachStream(IByteReader* stream);
    // Empties the put-back slot and zeroes both counters; the reader stays.
    void ClearReadState();
    // Takes over another tokenizer's put-back byte and counters; the reader stays.
    void CopyReadState(const PDFTokenizer& other);

    // found is false when no token could be read: no reader, end of input, a failed read
    // inside a token, or "stream" not followed by an end of line (spaces and tabs before
    // the end of line are taken with it).
    Token ReadToken();
    // The most recent ReadToken found "stream" without an end of line after it: stream data
    // would start at an unknown place, so a caller refuses the object rather than dropping
    // its data.
    bool StreamKeywordRefused() const { return mStreamKeywordRefused; }

    // Bytes taken before the first byte of the most recent token.
    std::uint64_t LastTokenPosition() const { return mRecentTokenPosition; }
    // Bytes taken since the last attach or clear, minus bytes put back.
    std::uint64_t BytesTaken() const { return mStreamPositionTracker; }
    // The object parser subtracts a waiting byte when it works out where stream data begins.
    bool HasPutBackByte() const { return mHasTokenBuffer; }

private:
    IByteReader* mStream = nullptr;
    // mStream itself when it is exactly an InputBufferedStream, else null.
    InputBufferedStream* mBufferedStream = nullptr;
    bool mHasTokenBuffer = false;
    Byte mTokenBuffer = 0;
    std::uint64_t mStreamPositionTracker = 0;
    std::uint64_t mRecentTokenPosition = 0;
    bool mStreamKeywordRefused = false;

    bool HasInput();
    bool ReadByteForToken(Byte& outByte);
    void PutBackByte(Byte value);
    void SkipWhitespace();
    // Takes the buffered bytes up to the first one whose class is in kStopMask and appends
    // them (or only counts them, with a null text). Does nothing while a byte is put back.
    template <Byte kStopMask> void TakeBufferedRun(std::string* text);
};
