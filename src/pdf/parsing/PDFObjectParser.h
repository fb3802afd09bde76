#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "pdf/parsing/PDFTokenizer.h"

class IByteReader;
class IReadPositionProvider;
class ParserExtender;
class PDFObject;

// Turns the tokens of a PDFTokenizer into PDFObject values, one object per ParseObject call.
// Keeps the tokens it read ahead (for "num gen R" and for "stream" after a dictionary) in a
// queue that is served before the tokenizer; callers that move the reader must call
// ClearReadState so that stale look-ahead is not returned.
//
// The reader and position provider are borrowed. Returned objects carry one reference that
// belongs to the caller; null means nothing could be parsed (with a trace line for
// malformed input, none for plain end of input). A dictionary followed by a "stream" keyword
// that has no end of line after it gives null as well, never the bare dictionary.
//
// "num gen R" whose number or generation does not fit 32 bits names no object that can exist
// (cut to 32 bits it would name another one). It is read as a PDFSymbol holding its three
// tokens, with a trace line: no caller takes it for a reference, a reader sees null there, and
// the installer refuses to copy it.
class PDFObjectParser
{
public:
    // Arrays and dictionaries nested deeper than this are refused: a hostile file could
    // otherwise exhaust the stack.
    static constexpr int kMaxNestingDepth = 256;
    // Memory one value of the object model may take, counted high (a dictionary entry is a key
    // and a value with their bookkeeping): the basis of the value limit.
    static constexpr std::size_t kBytesPerValue = 320;

    // The most values one object may hold, counting the items of its arrays and dictionaries
    // at every depth, for a file of fileSize bytes: what fits in four times the file plus
    // 48 MiB. A file can spell a value in two bytes, and the object model needs far more for
    // it; past the limit the object is refused rather than built.
    static std::size_t ValueLimitForFileSize(long long fileSize);

    PDFObjectParser() = default;

    void AttachStream(IByteReader* stream, IReadPositionProvider* positionProvider);
    void ClearReadState();
    void CopyReadState(const PDFTokenizer& tokenizer);

    PDFObject* ParseObject(ParserExtender* extender);

    // True for what "num gen R" beyond 32-bit object numbers is read as.
    static bool IsReferenceBeyondObjectNumbers(const PDFObject* object);

    // No limit until one is set.
    void SetValueLimit(std::size_t limit) { mValueLimit = limit; }

private:
    PDFTokenizer mTokenizer;
    std::deque<std::string> mTokenBuffer;
    IByteReader* mStream = nullptr;
    IReadPositionProvider* mCurrentPositionProvider = nullptr;
    int mNestingDepth = 0;
    std::size_t mValueLimit = SIZE_MAX;
    std::size_t mValueCount = 0; // values of the object being parsed

    // Counts one more value of the object being parsed; false past the limit.
    bool TakeValue(const char* operation);

    bool NextToken(std::string& outToken);
    void PushBackTokenToBack(std::string token);

    // The object that starts with token, which has already been taken from the queue or the
    // tokenizer. A string or symbol may take the token's bytes (leaving it empty); when null
    // is returned the token is as it was, for the caller's trace line.
    PDFObject* ParseObjectFromToken(std::string& token, ParserExtender* extender);
    // Escapes and line ends as PDF reads them: an unknown escape drops its backslash, and an
    // unescaped CR or CR LF is one LF.
    PDFObject* ParseLiteralString(const std::string& token, ParserExtender* extender);
    // On success the token's bytes become the string's value without a copy.
    PDFObject* ParseHexadecimalString(std::string& token, ParserExtender* extender);
    PDFObject* ParseName(const std::string& token);
    PDFObject* ParseArray(ParserExtender* extender);
    PDFObject* ParseDictionary(ParserExtender* extender);
    bool GetHexValue(Byte value, Byte& outValue);
};

// A number token converted to PDFInteger (no dot) or PDFReal (the nearest double). An
// integer beyond the signed 64-bit range, or a real beyond the range of doubles, becomes a
// PDFSymbol holding the token, with a trace line: no caller takes it for a number, and the
// installer refuses to copy it rather than write back another value.
PDFObject* ConvertPDFNumberToken(const std::string& token);
