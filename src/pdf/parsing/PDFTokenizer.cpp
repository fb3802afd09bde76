#include "pdf/parsing/PDFTokenizer.h"

#include "pdf/io/IByteReader.h"

namespace {

constexpr Byte kCR = 0x0D;
constexpr Byte kLF = 0x0A;
constexpr Byte kBackslash = '\\';

} // namespace

bool IsPDFWhitespace(Byte value)
{
    return value == 0x00 || value == 0x09 || value == 0x0A || value == 0x0C || value == 0x0D ||
           value == 0x20;
}

bool IsPDFDelimiter(Byte value)
{
    switch (value) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
        return true;
    default:
        return false;
    }
}

void PDFTokenizer::AttachStream(IByteReader* stream)
{
    mStream = stream;
    ClearReadState();
}

void PDFTokenizer::ClearReadState()
{
    mHasTokenBuffer = false;
    mTokenBuffer = 0;
    mStreamPositionTracker = 0;
    mRecentTokenPosition = 0;
}

void PDFTokenizer::CopyReadState(const PDFTokenizer& other)
{
    mHasTokenBuffer = other.mHasTokenBuffer;
    mTokenBuffer = other.mTokenBuffer;
    mStreamPositionTracker = other.mStreamPositionTracker;
    mRecentTokenPosition = other.mRecentTokenPosition;
}

bool PDFTokenizer::HasInput()
{
    return mHasTokenBuffer || mStream->HasMore();
}

bool PDFTokenizer::ReadByteForToken(Byte& outByte)
{
    // Counted before the attempt, also when it fails: the counter tracks attempts.
    ++mStreamPositionTracker;
    if (mHasTokenBuffer) {
        outByte = mTokenBuffer;
        mHasTokenBuffer = false;
        return true;
    }
    return mStream->Read(&outByte, 1) == 1;
}

void PDFTokenizer::PutBackByte(Byte value)
{
    --mStreamPositionTracker;
    mHasTokenBuffer = true;
    mTokenBuffer = value;
}

void PDFTokenizer::SkipWhitespace()
{
    Byte value = 0;
    while (HasInput()) {
        if (!ReadByteForToken(value)) {
            return;
        }
        if (!IsPDFWhitespace(value)) {
            PutBackByte(value);
            return;
        }
    }
}

PDFTokenizer::Token PDFTokenizer::ReadToken()
{
    Token result(false, std::string());
    if (mStream == nullptr || !HasInput()) {
        return result;
    }
    SkipWhitespace();
    if (!HasInput()) {
        return result;
    }

    mRecentTokenPosition = mStreamPositionTracker;
    Byte first = 0;
    if (!ReadByteForToken(first)) {
        return result;
    }
    std::string& text = result.second;
    text.push_back(static_cast<char>(first));
    Byte value = 0;

    switch (first) {
    case '%':
        while (HasInput()) {
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (value == kCR || value == kLF) {
                break;
            }
            text.push_back(static_cast<char>(value));
        }
        break;
    case '(': {
        int depth = 1;
        bool escaped = false;
        while (depth > 0 && HasInput()) {
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (escaped) {
                escaped = false;
                if (value == kLF) {
                    continue;
                }
                if (value == kCR) {
                    if (HasInput()) {
                        Byte next = 0;
                        if (!ReadByteForToken(next)) {
                            return result;
                        }
                        if (next != kLF) {
                            PutBackByte(next);
                        }
                    }
                    continue;
                }
                text.push_back(static_cast<char>(kBackslash));
                text.push_back(static_cast<char>(value));
            } else if (value == kBackslash) {
                escaped = true;
            } else {
                if (value == '(') {
                    ++depth;
                } else if (value == ')') {
                    --depth;
                }
                text.push_back(static_cast<char>(value));
            }
        }
        // An unterminated string is still a token; the object parser refuses it.
        break;
    }
    case '<':
        if (!HasInput()) {
            break;
        }
        if (!ReadByteForToken(value)) {
            return result;
        }
        text.push_back(static_cast<char>(value));
        if (value == '<' || value == '>') {
            break;
        }
        while (HasInput()) {
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (!IsPDFWhitespace(value)) {
                text.push_back(static_cast<char>(value));
            }
            if (value == '>') {
                break;
            }
        }
        break;
    case '>':
        if (!HasInput()) {
            break;
        }
        if (!ReadByteForToken(value)) {
            return result;
        }
        if (value == '>') {
            text.push_back(static_cast<char>(value));
        } else {
            PutBackByte(value);
        }
        break;
    case '[':
    case ']':
    case '{':
    case '}':
        break;
    default: {
        bool endedByByte = false;
        Byte ender = 0;
        while (HasInput()) {
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (IsPDFWhitespace(value)) {
                endedByByte = true;
                ender = value;
                break;
            }
            if (IsPDFDelimiter(value)) {
                PutBackByte(value);
                endedByByte = true;
                ender = value;
                break;
            }
            text.push_back(static_cast<char>(value));
        }
        // After "stream" the end of line belongs to the keyword, so that the next byte read
        // is the first data byte. A keyword not followed by CR or LF is refused, unless the
        // input ends right after it (there is no data to misplace then).
        if (endedByByte && text == "stream" && HasInput()) {
            if (ender == kCR) {
                if (HasInput() && ReadByteForToken(value) && value != kLF) {
                    PutBackByte(value);
                }
            } else if (ender != kLF) {
                return result;
            }
        }
        break;
    }
    }
    result.first = true;
    return result;
}
