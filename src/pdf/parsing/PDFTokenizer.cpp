#include "pdf/parsing/PDFTokenizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <typeinfo>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pdf/io/IByteReader.h"
#include "pdf/io/InputBufferedStream.h"

namespace {

constexpr Byte kCR = 0x0D;
constexpr Byte kLF = 0x0A;
constexpr Byte kBackslash = '\\';

// Byte classes as flags, so that each token kind scans its buffered bytes against one mask.
constexpr Byte kClassWhitespace = 0x01;
constexpr Byte kClassDelimiter = 0x02;
constexpr Byte kClassLineEnd = 0x04;       // CR, LF: end a comment
constexpr Byte kClassStringSpecial = 0x08; // ( ) and backslash: matter inside a literal string
constexpr Byte kClassCloseAngle = 0x10;    // >: ends a hexadecimal string
constexpr Byte kClassOther = 0x20;         // every byte that is not white space

constexpr void AddClass(std::array<Byte, 256>& classes, Byte value, Byte flag)
{
    classes[value] = static_cast<Byte>(classes[value] | flag);
}

constexpr std::array<Byte, 256> MakeByteClasses()
{
    std::array<Byte, 256> classes{};
    for (Byte white : {Byte{0x00}, Byte{0x09}, kLF, Byte{0x0C}, kCR, Byte{0x20}}) {
        AddClass(classes, white, kClassWhitespace);
    }
    for (char delimiter : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) {
        AddClass(classes, static_cast<Byte>(delimiter), kClassDelimiter);
    }
    AddClass(classes, kCR, kClassLineEnd);
    AddClass(classes, kLF, kClassLineEnd);
    AddClass(classes, '(', kClassStringSpecial);
    AddClass(classes, ')', kClassStringSpecial);
    AddClass(classes, kBackslash, kClassStringSpecial);
    AddClass(classes, '>', kClassCloseAngle);
    for (Byte& byteClass : classes) {
        if ((byteClass & kClassWhitespace) == 0) {
            byteClass = static_cast<Byte>(byteClass | kClassOther);
        }
    }
    return classes;
}

constexpr std::array<Byte, 256> kByteClasses = MakeByteClasses();

// Byte by byte: runs that end after a few bytes.
IOByteCount ScanShortRun(const Byte* bytes, IOByteCount available, Byte stopMask)
{
    IOByteCount taken = 0;
    while (taken < available && (kByteClasses[bytes[taken]] & stopMask) == 0) {
        ++taken;
    }
    return taken;
}

#if defined(__SSE2__)

// Sixteen bytes at a time: mayStop marks each byte that could stop the run (again only a
// hint, exact on no), and only the marked bytes are checked against the class table.
template <typename MayStop>
IOByteCount ScanRunByBlocks(const Byte* bytes, IOByteCount available, Byte stopMask,
                            MayStop mayStop)
{
    constexpr IOByteCount kBlock = 16;
    IOByteCount taken = 0;
    // Four blocks are tested together first: most of a certificate's bytes stop nothing.
    while (available - taken >= 4 * kBlock) {
        const auto* at = reinterpret_cast<const __m128i*>(bytes + taken);
        const __m128i any = _mm_or_si128(
            _mm_or_si128(mayStop(_mm_loadu_si128(at)), mayStop(_mm_loadu_si128(at + 1))),
            _mm_or_si128(mayStop(_mm_loadu_si128(at + 2)), mayStop(_mm_loadu_si128(at + 3))));
        if (_mm_movemask_epi8(any) != 0) {
            break;
        }
        taken += 4 * kBlock;
    }
    while (available - taken >= kBlock) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + taken));
        auto candidates = static_cast<unsigned int>(_mm_movemask_epi8(mayStop(block)));
        while (candidates != 0) {
            const auto offset = static_cast<IOByteCount>(__builtin_ctz(candidates));
            if ((kByteClasses[bytes[taken + offset]] & stopMask) != 0) {
                return taken + offset;
            }
            candidates &= candidates - 1;
        }
        taken += kBlock;
    }
    while (taken < available && (kByteClasses[bytes[taken]] & stopMask) == 0) {
        ++taken;
    }
    return taken;
}

__m128i EqualTo(__m128i block, Byte value)
{
    return _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(value)));
}

// Chosen at compile time for each mask, so that the short runs (names, numbers, white space)
// cost a few instructions inline in the tokenizer.
template <Byte kStopMask> IOByteCount ScanRun(const Byte* bytes, IOByteCount available)
{
    // Long runs are hexadecimal and literal string bodies (certificates) and comments; the
    // other masks stop after a few bytes, where the byte loop is cheapest.
    if constexpr (kStopMask == (kClassWhitespace | kClassCloseAngle)) {
        return ScanRunByBlocks(bytes, available, kStopMask, [](__m128i block) {
            // Bytes up to 0x20 (all six white-space bytes are) and '>'.
            const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8(0x20)), block);
            return _mm_or_si128(low, EqualTo(block, '>'));
        });
    } else if constexpr (kStopMask == kClassStringSpecial) {
        return ScanRunByBlocks(bytes, available, kStopMask, [](__m128i block) {
            return _mm_or_si128(_mm_or_si128(EqualTo(block, '('), EqualTo(block, ')')),
                                EqualTo(block, kBackslash));
        });
    } else if constexpr (kStopMask == kClassLineEnd) {
        return ScanRunByBlocks(bytes, available, kStopMask, [](__m128i block) {
            return _mm_or_si128(EqualTo(block, kCR), EqualTo(block, kLF));
        });
    } else {
        return ScanShortRun(bytes, available, kStopMask);
    }
}

#else

// Word-at-a-time tests over eight bytes. Each answers "could one of these bytes stop the run";
// a yes is only a hint (the bytes are then checked one by one against the class table), but a
// no must be exact, so each test covers every byte of its classes.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

constexpr std::uint64_t HasZeroByte(std::uint64_t word)
{
    return (word - kOnes) & ~word & kHighs;
}

constexpr std::uint64_t HasByte(std::uint64_t word, Byte value)
{
    return HasZeroByte(word ^ (kOnes * value));
}

// Any byte below 0x21: all six white-space bytes are.
constexpr std::uint64_t HasControlOrSpace(std::uint64_t word)
{
    return (word - kOnes * 0x21) & ~word & kHighs;
}

std::uint64_t LoadWord(const Byte* bytes)
{
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
}

// Number of leading bytes whose class is not in stopMask. mayStop is the word test that
// covers the classes in stopMask.
template <typename MayStop>
IOByteCount ScanRunByWords(const Byte* bytes, IOByteCount available, Byte stopMask, MayStop mayStop)
{
    IOByteCount taken = 0;
    for (;;) {
        while (available - taken >= sizeof(std::uint64_t) &&
               mayStop(LoadWord(bytes + taken)) == 0) {
            taken += static_cast<IOByteCount>(sizeof(std::uint64_t));
        }
        const IOByteCount limit = std::min<IOByteCount>(
            available, taken + static_cast<IOByteCount>(sizeof(std::uint64_t)));
        while (taken < limit && (kByteClasses[bytes[taken]] & stopMask) == 0) {
            ++taken;
        }
        if (taken < limit || taken == available) {
            return taken;
        }
    }
}

template <Byte kStopMask> IOByteCount ScanRun(const Byte* bytes, IOByteCount available)
{
    // Long runs are hexadecimal and literal string bodies (certificates) and comments; the
    // other masks stop after a few bytes, where the byte loop is cheapest.
    if constexpr (kStopMask == (kClassWhitespace | kClassCloseAngle)) {
        return ScanRunByWords(bytes, available, kStopMask, [](std::uint64_t word) {
            return HasControlOrSpace(word) | HasByte(word, '>');
        });
    } else if constexpr (kStopMask == kClassStringSpecial) {
        return ScanRunByWords(bytes, available, kStopMask, [](std::uint64_t word) {
            return HasByte(word, '(') | HasByte(word, ')') | HasByte(word, kBackslash);
        });
    } else if constexpr (kStopMask == kClassLineEnd) {
        return ScanRunByWords(bytes, available, kStopMask, [](std::uint64_t word) {
            return HasByte(word, kCR) | HasByte(word, kLF);
        });
    } else {
        return ScanShortRun(bytes, available, kStopMask);
    }
}

#endif

} // namespace

bool IsPDFWhitespace(Byte value)
{
    return (kByteClasses[value] & kClassWhitespace) != 0;
}

bool IsPDFDelimiter(Byte value)
{
    return (kByteClasses[value] & kClassDelimiter) != 0;
}

void PDFTokenizer::AttachStream(IByteReader* stream)
{
    mStream = stream;
    // Only the exact class: a subclass could change what Read or HasMore deliver.
    mBufferedStream = stream != nullptr && typeid(*stream) == typeid(InputBufferedStream)
                          ? static_cast<InputBufferedStream*>(stream)
                          : nullptr;
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
    const IOByteCount taken = ScanRun<kStopMask>(bytes, available);
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
        TakeBufferedRun<kClassOther>(nullptr);
        if (!HasInput()) {
            return;
        }
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
        int depth = 1;
        bool escaped = false;
        while (depth > 0) {
            if (!escaped) {
                TakeBufferedRun<kClassStringSpecial>(&text);
            }
            if (!HasInput()) {
                break;
            }
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
        for (;;) {
            TakeBufferedRun<kClassWhitespace | kClassCloseAngle>(&text);
            if (!HasInput()) {
                break;
            }
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
        for (;;) {
            TakeBufferedRun<kClassWhitespace | kClassDelimiter>(&text);
            if (!HasInput()) {
                break;
            }
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
