#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pdf/io/IOBasicTypes.h"

// The rules of PDF object syntax, written once as scans over bytes: which bytes are white
// space and delimiters, where a regular token, a comment, a hexadecimal or literal string body
// ends, what an integer and a number token are, what a literal string's body stands for, and
// the object header "N G obj". The tokenizer walks these rules over a stream, the object
// parser over tokens, the plain scan and the cross-reference readers over bytes in memory.
//
// The byte rules sit in this header so that the loops that scan long runs (certificates are
// kilobytes of hexadecimal digits) stay inline where they are used.
namespace PDFSyntax {

// Byte classes as flags, so that each kind of run is scanned against one mask.
constexpr Byte kClassWhitespace = 0x01;
constexpr Byte kClassDelimiter = 0x02;
constexpr Byte kClassLineEnd = 0x04;       // CR, LF: end a comment
constexpr Byte kClassStringSpecial = 0x08; // ( ) and backslash: matter inside a literal string
constexpr Byte kClassCloseAngle = 0x10;    // >: ends a hexadecimal string
constexpr Byte kClassNotWhitespace = 0x20; // every byte that is not white space

// The masks of the runs: the bytes that end them.
constexpr Byte kEndsRegularToken = kClassWhitespace | kClassDelimiter;
constexpr Byte kEndsHexStringRun = kClassWhitespace | kClassCloseAngle;

constexpr Byte kCR = 0x0D;
constexpr Byte kLF = 0x0A;
constexpr Byte kBackslash = '\\';

namespace Detail {

constexpr void AddClass(std::array<Byte, 256>& classes, Byte value, Byte flag)
{
    classes[value] = static_cast<Byte>(classes[value] | flag);
}

// The six white-space bytes (NUL, TAB, LF, FF, CR, SPACE) and the ten delimiters
// ( ) < > [ ] { } / % are the only special bytes of the syntax.
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
            byteClass = static_cast<Byte>(byteClass | kClassNotWhitespace);
        }
    }
    return classes;
}

} // namespace Detail

inline constexpr std::array<Byte, 256> kByteClasses = Detail::MakeByteClasses();

inline bool IsWhitespace(Byte value)
{
    return (kByteClasses[value] & kClassWhitespace) != 0;
}

inline bool IsDelimiter(Byte value)
{
    return (kByteClasses[value] & kClassDelimiter) != 0;
}

inline bool IsDigit(Byte value)
{
    return static_cast<Byte>(value - '0') < 10;
}

// Bytes a number token may start with.
inline bool StartsNumber(Byte value)
{
    return IsDigit(value) || value == '+' || value == '-' || value == '.';
}

namespace Detail {

// Byte by byte: runs that end after a few bytes.
inline std::size_t ScanShortRun(const Byte* bytes, std::size_t available, Byte stopMask)
{
    std::size_t taken = 0;
    while (taken < available && (kByteClasses[bytes[taken]] & stopMask) == 0) {
        ++taken;
    }
    return taken;
}

#if defined(__SSE2__)

// Sixteen bytes at a time: mayStop marks each byte that could stop the run (only a hint, but
// exact on no), and only the marked bytes are checked against the class table.
template <typename MayStop>
std::size_t ScanRunByBlocks(const Byte* bytes, std::size_t available, Byte stopMask,
                            MayStop mayStop)
{
    constexpr std::size_t kBlock = 16;
    std::size_t taken = 0;
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
            const auto offset = static_cast<std::size_t>(__builtin_ctz(candidates));
            if ((kByteClasses[bytes[taken + offset]] & stopMask) != 0) {
                return taken + offset;
            }
            candidates &= candidates - 1;
        }
        taken += kBlock;
    }
    return taken + ScanShortRun(bytes + taken, available - taken, stopMask);
}

inline __m128i EqualTo(__m128i block, Byte value)
{
    return _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(value)));
}

// Bytes up to 0x20 (all six white-space bytes are) and '>'.
inline __m128i MayEndHexStringRun(__m128i block)
{
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8(0x20)), block);
    return _mm_or_si128(low, EqualTo(block, '>'));
}

inline __m128i MayEndLiteralStringRun(__m128i block)
{
    return _mm_or_si128(_mm_or_si128(EqualTo(block, '('), EqualTo(block, ')')),
                        EqualTo(block, kBackslash));
}

inline __m128i MayEndComment(__m128i block)
{
    return _mm_or_si128(EqualTo(block, kCR), EqualTo(block, kLF));
}

#else

// Word-at-a-time tests over eight bytes, for processors without SSE2. Each answers "could one
// of these bytes stop the run"; a yes is only a hint (the bytes are then checked one by one
// against the class table), but a no must be exact, so each test covers every byte of its
// classes.
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

inline std::uint64_t LoadWord(const Byte* bytes)
{
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
}

template <typename MayStop>
std::size_t ScanRunByBlocks(const Byte* bytes, std::size_t available, Byte stopMask,
                            MayStop mayStop)
{
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    std::size_t taken = 0;
    for (;;) {
        while (available - taken >= kWord && mayStop(LoadWord(bytes + taken)) == 0) {
            taken += kWord;
        }
        const std::size_t limit = available - taken < kWord ? available : taken + kWord;
        while (taken < limit && (kByteClasses[bytes[taken]] & stopMask) == 0) {
            ++taken;
        }
        if (taken < limit || taken == available) {
            return taken;
        }
    }
}

inline std::uint64_t MayEndHexStringRun(std::uint64_t word)
{
    return HasControlOrSpace(word) | HasByte(word, '>');
}

inline std::uint64_t MayEndLiteralStringRun(std::uint64_t word)
{
    return HasByte(word, '(') | HasByte(word, ')') | HasByte(word, kBackslash);
}

inline std::uint64_t MayEndComment(std::uint64_t word)
{
    return HasByte(word, kCR) | HasByte(word, kLF);
}

#endif

} // namespace Detail

// The number of leading bytes whose class is not in kStopMask. Chosen at compile time for each
// mask: the long runs (hexadecimal and literal string bodies, comments) are scanned many bytes
// at a time, the short ones (names, numbers, white space) byte by byte, which is cheapest there.
template <Byte kStopMask> std::size_t ScanRun(const Byte* bytes, std::size_t available)
{
    if constexpr (kStopMask == kEndsHexStringRun) {
        return Detail::ScanRunByBlocks(bytes, available, kStopMask, [](auto block) {
            return Detail::MayEndHexStringRun(block);
        });
    } else if constexpr (kStopMask == kClassStringSpecial) {
        return Detail::ScanRunByBlocks(bytes, available, kStopMask, [](auto block) {
            return Detail::MayEndLiteralStringRun(block);
        });
    } else if constexpr (kStopMask == kClassLineEnd) {
        return Detail::ScanRunByBlocks(bytes, available, kStopMask,
                                       [](auto block) { return Detail::MayEndComment(block); });
    } else {
        return Detail::ScanShortRun(bytes, available, kStopMask);
    }
}

template <Byte kStopMask> std::size_t ScanRun(std::string_view bytes, std::size_t from)
{
    return ScanRun<kStopMask>(reinterpret_cast<const Byte*>(bytes.data()) + from,
                              bytes.size() - from);
}

// An integer as PDF writes one, read from the start of some bytes: an optional sign, then
// decimal digits (leading zeros are allowed).
struct IntegerScan
{
    // Bytes the integer takes, sign included; 0 when no digit follows the sign.
    std::size_t length = 0;
    long long value = 0;
    // False when the value lies beyond the signed 64-bit range; value then holds the nearest
    // end of the range.
    bool fits = true;
};

inline IntegerScan ScanInteger(std::string_view bytes)
{
    IntegerScan scan;
    std::size_t i = 0;
    bool negative = false;
    if (!bytes.empty() && (bytes[0] == '+' || bytes[0] == '-')) {
        negative = bytes[0] == '-';
        i = 1;
    }
    const std::size_t digitsStart = i;
    // The magnitude is gathered unsigned so that the most negative value fits as well.
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    unsigned long long magnitude = 0;
    for (; i < bytes.size(); ++i) {
        const auto digit = static_cast<unsigned>(static_cast<Byte>(bytes[i] - '0'));
        if (digit > 9) {
            break;
        }
        if (magnitude > (limit - digit) / 10) {
            scan.fits = false;
            magnitude = limit;
        } else if (scan.fits) {
            magnitude = magnitude * 10 + digit;
        }
    }
    if (i == digitsStart) {
        return IntegerScan{};
    }
    scan.length = i;
    scan.value =
        negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
    return scan;
}

// The integer that is the whole of a token, when it fits 64 bits.
inline bool ReadWholeInteger(std::string_view token, long long& outValue)
{
    const IntegerScan scan = ScanInteger(token);
    if (scan.length == 0 || scan.length != token.size() || !scan.fits) {
        return false;
    }
    outValue = scan.value;
    return true;
}

// The number test: an optional sign or a leading dot, then digits with at most one dot in all.
// So 12, +5, -.5, 4. and a lone dot are numbers; 1.2.3, 1e5 and --1 are not.
bool IsNumberToken(std::string_view token);

// "N G R": only a positive integer can be a reference's object number, and only an integer of
// zero or more its generation; the object parser looks ahead for the R only then.
inline bool CanBeReferenceNumber(long long value)
{
    return value > 0;
}

inline bool CanBeReferenceGeneration(long long value)
{
    return value >= 0;
}

// Object numbers and generations are unsigned 32-bit. "N G R" with a larger N or G has the
// shape of a reference but names no object that can exist; cut to 32 bits it would name
// another one, so whoever reads such a reference refuses it instead.
inline bool FitsObjectNumber(long long value)
{
    return value >= 0 && value <= 0xFFFFFFFFLL;
}

// A hexadecimal string body (the bytes between the angle brackets) as PDF defines one: digits
// and white space only. Readers part ways over any other byte (most drop it, some stop there),
// so a body holding one has no meaning that a copy could keep.
bool IsWellFormedHexStringBody(std::string_view body);

// A literal string body, the bytes after its opening parenthesis, taken one byte at a time.
// Parentheses nest; a backslash escapes the byte after it. Escapes are only recognised to find
// the end here: AppendLiteralStringBytes gives the bytes they stand for.
class LiteralStringBody
{
public:
    enum class Step
    {
        Plain,            // a byte of the body as it is
        Backslash,        // starts an escape; the next byte is the escaped one
        Escaped,          // the byte after a backslash
        LineContinuation, // CR or LF after a backslash: the two stand for nothing
        Close             // the parenthesis that ends the string (not part of the body)
    };

    Step Take(Byte value)
    {
        if (mEscaped) {
            mEscaped = false;
            return value == kCR || value == kLF ? Step::LineContinuation : Step::Escaped;
        }
        if (value == kBackslash) {
            mEscaped = true;
            return Step::Backslash;
        }
        if (value == '(') {
            ++mDepth;
        } else if (value == ')' && --mDepth == 0) {
            return Step::Close;
        }
        return Step::Plain;
    }

    // Between escapes, runs of bytes that are not ( ) or a backslash change nothing: they may
    // be taken in bulk (ScanRun<kClassStringSpecial>).
    bool InEscape() const { return mEscaped; }

private:
    int mDepth = 1;
    bool mEscaped = false;
};

// Appends the bytes a literal string's body stands for (the text between its outer
// parentheses, as the tokenizer gives it): escapes resolved, each end of line read as LF.
void AppendLiteralStringBytes(std::string_view body, std::string& out);

// The header "N G obj" of an indirect object at the start of some bytes, white space before
// and between its parts. Comments are not taken: a header with one is NotHeader here, and only
// the tokenizer reads it.
struct ObjectHeaderScan
{
    enum class Result
    {
        Header,    // objectNumber and generation are set, length covers the header
        NotHeader, // the bytes hold something else
        NeedMore   // the bytes end before the header does
    };
    Result result = Result::NotHeader;
    long long objectNumber = 0;
    long long generation = 0;
    std::size_t length = 0;
};

ObjectHeaderScan ScanObjectHeader(std::string_view bytes);

} // namespace PDFSyntax
