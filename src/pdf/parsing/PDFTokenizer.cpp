#include "pdf/parsing/PDFTokenizer.h"

#include <cstdint>

#include "pdf/io/IByteReader.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/parsing/PDFSyntax.h"

namespace {

using PDFSyntax::IsDelimiter;
using PDFSyntax::IsWhitespace;
using PDFSyntax::kBackslash;
using PDFSyntax::kClassLineEnd;
using PDFSyntax::kClassNotWhitespace;
using PDFSyntax::kClassStringSpecial;
using PDFSyntax::kCR;
using PDFSyntax::kEndsHexStringRun;
using PDFSyntax::kEndsRegularToken;
using PDFSyntax::kLF;

} // namespace

void PDFTokenizer::AttachStream(IByteReader* stream)
{
    mStream = stream;
    mBufferedStream = InputBufferedStream::ExactlyBuffered(stream);
    ClearReadState();
}

void PDFTokenizer::ClearReadState()
{
    mHasTokenBuffer = false;
    mTokenBuffer = 0;
    mStreamPositionTracker = 0;
    mRecentTokenPosition = 0;
    mStreamKeywordRefused = false;
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
    return mHasTokenBuffer ||
           (mBufferedStream != nullptr && mBufferedStream->BufferedCount() > 0) ||
           mStream->HasMore();
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
    if (mBufferedStream != nullptr && mBufferedStream->BufferedCount() > 0) {
        outByte = *mBufferedStream->BufferedBytes();
        mBufferedStream->ConsumeBuffered(1);
        return true;
    }
    return mStream->Read(&outByte, 1) == 1;
}

template <Byte kStopMask> void PDFTokenizer::TakeBufferedRun(std::string* text)
{
    if (mBufferedStream == nullptr || mHasTokenBuffer) {
        return;
    }
    const Byte* bytes = mBufferedStream->BufferedBytes();
    const IOByteCount available = mBufferedStream->BufferedCount();
    const auto taken = static_cast<IOByteCount>(PDFSyntax::ScanRun<kStopMask>(bytes, available));
    if (taken == 0) {
        return;
    }
    if (text != nullptr) {
        // Room for the byte that ends the run as well (the '>' of a hexadecimal string), so
        // that a certificate's text is not moved again for it; reserve grows geometrically.
        text->reserve(text->size() + taken + 1);
        text->append(reinterpret_cast<const char*>(bytes), taken);
    }
    mStreamPositionTracker += taken;
    mBufferedStream->ConsumeBuffered(taken);
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
    for (;;) {
        // Runs of plain bytes below are taken in one step; each is exactly what the byte loop
        // that follows would have taken, so counters and position do not change meaning.
        TakeBufferedRun<kClassNotWhitespace>(nullptr);
        if (!HasInput()) {
            return;
        }
        if (!ReadByteForToken(value)) {
            return;
        }
        if (!IsWhitespace(value)) {
            PutBackByte(value);
            return;
        }
    }
}

PDFTokenizer::Token PDFTokenizer::ReadToken()
{
    Token result(false, std::string());
    mStreamKeywordRefused = false;
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
        for (;;) {
            TakeBufferedRun<kClassLineEnd>(&text);
            if (!HasInput()) {
                break;
            }
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
        using Step = PDFSyntax::LiteralStringBody::Step;
        PDFSyntax::LiteralStringBody body;
        bool closed = false;
        while (!closed) {
            if (!body.InEscape()) {
                TakeBufferedRun<kClassStringSpecial>(&text);
            }
            if (!HasInput()) {
                break;
            }
            if (!ReadByteForToken(value)) {
                return result;
            }
            switch (body.Take(value)) {
            case Step::Close:
                closed = true;
                text.push_back(static_cast<char>(value));
                break;
            case Step::Plain:
                text.push_back(static_cast<char>(value));
                break;
            case Step::Backslash:
                break;
            case Step::Escaped:
                text.push_back(static_cast<char>(kBackslash));
                text.push_back(static_cast<char>(value));
                break;
            case Step::LineContinuation:
                // Dropped with its backslash; CR LF is one line end.
                if (value == kCR && HasInput()) {
                    Byte next = 0;
                    if (!ReadByteForToken(next)) {
                        return result;
                    }
                    if (next != kLF) {
                        PutBackByte(next);
                    }
                }
                break;
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
        for (;;) {
            TakeBufferedRun<kEndsHexStringRun>(&text);
            if (!HasInput()) {
                break;
            }
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (!IsWhitespace(value)) {
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
        for (;;) {
            TakeBufferedRun<kEndsRegularToken>(&text);
            if (!HasInput()) {
                break;
            }
            if (!ReadByteForToken(value)) {
                return result;
            }
            if (IsWhitespace(value)) {
                endedByByte = true;
                ender = value;
                break;
            }
            if (IsDelimiter(value)) {
                PutBackByte(value);
                endedByByte = true;
                ender = value;
                break;
            }
            text.push_back(static_cast<char>(value));
        }
        // After "stream" the end of line belongs to the keyword, so that the next byte read
        // is the first data byte. Spaces and tabs before that end of line are tolerated, as
        // other readers do. A keyword not followed by CR or LF is refused (and said to be,
        // so that the dictionary before it is not taken for a whole object), unless the input
        // ends right after it: there is no data to misplace then.
        if (endedByByte && text == "stream" && HasInput()) {
            while ((ender == ' ' || ender == '\t') && HasInput()) {
                if (!ReadByteForToken(ender)) {
                    return result;
                }
            }
            if (ender == kCR) {
                if (HasInput() && ReadByteForToken(value) && value != kLF) {
                    PutBackByte(value);
                }
            } else if (ender != kLF && ender != ' ' && ender != '\t') {
                // (A space or tab is left only when the input ended after it.)
                mStreamKeywordRefused = true;
                return result;
            }
        }
        break;
    }
    }
    result.first = true;
    return result;
}
