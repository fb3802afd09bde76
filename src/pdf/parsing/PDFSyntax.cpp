#include "pdf/parsing/PDFSyntax.h"

#include "pdf/io/Hexadecimal.h"

namespace PDFSyntax {

namespace {

bool IsOctalDigit(char value)
{
    return value >= '0' && value <= '7';
}

} // namespace

bool IsNumberToken(std::string_view token)
{
    if (token.empty()) {
        return false;
    }
    const auto first = static_cast<Byte>(token[0]);
    if (!StartsNumber(first)) {
        return false;
    }
    if (token.size() == 1 && (first == '+' || first == '-')) {
        return false;
    }
    int dots = first == '.' ? 1 : 0;
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] == '.') {
            ++dots;
        } else if (!IsDigit(static_cast<Byte>(token[i]))) {
            return false;
        }
    }
    return dots <= 1;
}

#if defined(__SSE2__)

namespace {

// Each byte of block that lies in low..high gives 0xFF, every other one 0.
__m128i InRange(__m128i block, char low, char high)
{
    const __m128i offset = _mm_sub_epi8(block, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(static_cast<char>(high - low))),
                          offset);
}

// 0xFF for each hexadecimal digit of block: 0-9, or A-F in either case.
__m128i HexDigits(__m128i block)
{
    const __m128i folded = _mm_or_si128(block, _mm_set1_epi8(0x20));
    return _mm_or_si128(InRange(block, '0', '9'), InRange(folded, 'a', 'f'));
}

} // namespace

#endif

bool IsWellFormedHexStringBody(std::string_view body)
{
    const auto* bytes = reinterpret_cast<const Byte*>(body.data());
    std::size_t i = 0;
#if defined(__SSE2__)
    // Certificates are kilobytes of digits: sixteen bytes are tested at once, and from the
    // first block holding anything else on, byte by byte.
    constexpr std::size_t kBlock = 16;
    while (body.size() - i >= kBlock &&
           _mm_movemask_epi8(
               HexDigits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)))) == 0xFFFF) {
        i += kBlock;
    }
#endif
    for (; i < body.size(); ++i) {
        if (!Hexadecimal::IsDigit(bytes[i]) && !IsWhitespace(bytes[i])) {
            return false;
        }
    }
    return true;
}

void AppendLiteralStringBytes(std::string_view body, std::string& out)
{
    // Every escape is at least two bytes and gives one, so the bytes never outgrow the body:
    // they are written in place and cut to length at the end.
    const std::size_t start = out.size();
    out.resize(start + body.size());
    char* next = out.data() + start;
    const std::size_t end = body.size();
    for (std::size_t i = 0; i < end; ++i) {
        const char current = body[i];
        if (current == '\r') {
            // An end of line inside the string, CR LF or a lone CR, reads as one LF.
            if (i + 1 < end && body[i + 1] == '\n') {
                ++i;
            }
            *next++ = '\n';
            continue;
        }
        if (current != '\\') {
            *next++ = current;
            continue;
        }
        ++i;
        if (i >= end) {
            break; // a backslash right before the closing parenthesis escapes nothing
        }
        const char escaped = body[i];
        switch (escaped) {
        case 'n':
            *next++ = '\n';
            break;
        case 'r':
            *next++ = '\r';
            break;
        case 't':
            *next++ = '\t';
            break;
        case 'b':
            *next++ = '\b';
            break;
        case 'f':
            *next++ = '\f';
            break;
        case '\\':
        case '(':
        case ')':
            *next++ = escaped;
            break;
        default:
            if (IsOctalDigit(escaped)) {
                unsigned int code = static_cast<unsigned int>(escaped - '0');
                int digits = 1;
                while (digits < 3 && i + 1 < end && IsOctalDigit(body[i + 1])) {
                    ++i;
                    ++digits;
                    code = code * 8 + static_cast<unsigned int>(body[i] - '0');
                }
                *next++ = static_cast<char>(static_cast<unsigned char>(code & 0xFFu));
            } else {
                // A backslash before any other byte is ignored: (C:\Users) reads C:Users.
                *next++ = escaped;
            }
            break;
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
}

ObjectHeaderScan ScanObjectHeader(std::string_view bytes)
{
    using Result = ObjectHeaderScan::Result;
    ObjectHeaderScan scan;
    std::size_t position = 0;
    // The three tokens, each after white space and each ended by white space or a delimiter
    // that must lie within the bytes: a token cut off by their end might go on.
    std::string_view tokens[3];
    for (std::string_view& token : tokens) {
        position += ScanRun<kClassNotWhitespace>(bytes, position);
        if (position == bytes.size()) {
            scan.result = Result::NeedMore;
            return scan;
        }
        if (bytes[position] == '%') {
            return scan; // a comment: NotHeader
        }
        const std::size_t length = ScanRun<kEndsRegularToken>(bytes, position);
        if (position + length == bytes.size()) {
            scan.result = Result::NeedMore;
            return scan;
        }
        token = bytes.substr(position, length);
        position += length;
    }
    // Object number and generation are unsigned: digits only.
    for (int i = 0; i < 2; ++i) {
        if (tokens[i].empty() || !IsDigit(static_cast<Byte>(tokens[i][0]))) {
            return scan;
        }
    }
    if (!ReadWholeInteger(tokens[0], scan.objectNumber) ||
        !ReadWholeInteger(tokens[1], scan.generation) || tokens[2] != "obj") {
        return scan;
    }
    scan.result = Result::Header;
    scan.length = position;
    return scan;
}

} // namespace PDFSyntax
