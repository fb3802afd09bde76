#include "pdf/parsing/PDFSyntax.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

using namespace std::string_view_literals;

TEST(PDFSyntaxTest, ExactlySixWhiteSpaceBytesAndTenDelimiters)
{
    const std::string_view white = "\0\t\n\f\r "sv;
    const std::string_view delimiters = "()<>[]{}/%";
    for (int value = 0; value < 256; ++value) {
        SCOPED_TRACE(value);
        const auto byte = static_cast<Byte>(value);
        const char c = static_cast<char>(value);
        EXPECT_EQ(PDFSyntax::IsWhitespace(byte), white.find(c) != std::string_view::npos);
        EXPECT_EQ(PDFSyntax::IsDelimiter(byte), delimiters.find(c) != std::string_view::npos);
    }
}

struct IntegerCase
{
    const char* what;
    std::string_view bytes;
    std::size_t length;
    long long value;
    bool fits;
};

const IntegerCase kIntegerCases[] = {
    {"digits", "123", 3, 123, true},
    {"stops at the first other byte", "42 0 R", 2, 42, true},
    {"minus sign", "-7]", 2, -7, true},
    {"plus sign", "+5", 2, 5, true},
    {"leading zeros", "0007", 4, 7, true},
    {"a sign alone is none", "-", 0, 0, true},
    {"a dot is none", ".5", 0, 0, true},
    {"empty", "", 0, 0, true},
    {"largest", "9223372036854775807", 19, 9223372036854775807LL, true},
    {"smallest", "-9223372036854775808", 20, -9223372036854775807LL - 1, true},
    {"one past the largest", "9223372036854775808", 19, 9223372036854775807LL, false},
    {"far beyond, every digit taken", "123456789012345678901234x", 24, 9223372036854775807LL,
     false},
};

TEST(PDFSyntaxTest, ScansIntegers)
{
    for (const IntegerCase& c : kIntegerCases) {
        SCOPED_TRACE(c.what);
        const PDFSyntax::IntegerScan scan = PDFSyntax::ScanInteger(c.bytes);
        EXPECT_EQ(scan.length, c.length);
        if (c.length != 0) {
            EXPECT_EQ(scan.value, c.value);
            EXPECT_EQ(scan.fits, c.fits);
        }
    }
}

TEST(PDFSyntaxTest, TellsNumberTokens)
{
    for (std::string_view number : {"12", "+5", "-3", "4.", ".5", "-.5", ".", "007"}) {
        EXPECT_TRUE(PDFSyntax::IsNumberToken(number)) << number;
    }
    for (std::string_view other : {"", "+", "-", "1.2.3", "1e5", "--1", "R", "5a", "1-2"}) {
        EXPECT_FALSE(PDFSyntax::IsNumberToken(other)) << other;
    }
}

struct RunCase
{
    const char* what;
    std::string_view bytes;
    std::size_t regular, hexBody, literalBody, comment, whiteSpace;
};

// Runs long enough for the block scan (64 bytes and more) are tested with the tokenizer.
const RunCase kRunCases[] = {
    {"a name ends at a delimiter", "abc/def", 3, 7, 7, 7, 0},
    {"white space ends all but string bodies and comments", "ab cd", 2, 2, 5, 5, 0},
    {"leading white space", " \r\n\tx", 0, 0, 5, 1, 4},
    {"a hexadecimal body ends at the angle", "0aF9>rest", 4, 4, 9, 9, 0},
    {"a literal body stops at parentheses and backslashes", "a(b\\c)", 1, 6, 1, 6, 0},
    {"a comment stops at CR or LF", "note\rx", 4, 4, 6, 4, 0},
    {"high bytes are regular", "\xC3\xA9\xFF>", 3, 3, 4, 4, 0},
};

TEST(PDFSyntaxTest, EndsEachRunAtItsBytes)
{
    for (const RunCase& c : kRunCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PDFSyntax::ScanRun<PDFSyntax::kEndsRegularToken>(c.bytes, 0), c.regular);
        EXPECT_EQ(PDFSyntax::ScanRun<PDFSyntax::kEndsHexStringRun>(c.bytes, 0), c.hexBody);
        EXPECT_EQ(PDFSyntax::ScanRun<PDFSyntax::kClassStringSpecial>(c.bytes, 0), c.literalBody);
        EXPECT_EQ(PDFSyntax::ScanRun<PDFSyntax::kClassLineEnd>(c.bytes, 0), c.comment);
        EXPECT_EQ(PDFSyntax::ScanRun<PDFSyntax::kClassNotWhitespace>(c.bytes, 0), c.whiteSpace);
    }
}

// Each byte's step, as one letter: p plain, b backslash, e escaped, l line continuation,
// c close.
std::string Steps(std::string_view body)
{
    using Step = PDFSyntax::LiteralStringBody::Step;
    PDFSyntax::LiteralStringBody scan;
    std::string steps;
    for (char c : body) {
        switch (scan.Take(static_cast<Byte>(c))) {
        case Step::Plain:
            steps += 'p';
            break;
        case Step::Backslash:
            steps += 'b';
            break;
        case Step::Escaped:
            steps += 'e';
            break;
        case Step::LineContinuation:
            steps += 'l';
            break;
        case Step::Close:
            steps += 'c';
            break;
        }
    }
    return steps;
}

TEST(PDFSyntaxTest, FindsTheEndOfALiteralString)
{
    EXPECT_EQ(Steps("ab)"), "ppc");
    EXPECT_EQ(Steps("a(b)c)"), "pppppc");
    EXPECT_EQ(Steps("\\))"), "bec");
    EXPECT_EQ(Steps("\\\\)"), "bec");
    EXPECT_EQ(Steps("a\\\nb\\\r)"), "pblpblc");
    EXPECT_EQ(Steps(")x"), "cp"); // the caller stops at the close
}

struct DecodeCase
{
    const char* what;
    std::string_view body, bytes;
};

const DecodeCase kDecodeCases[] = {
    {"plain bytes", "abc", "abc"},
    {"named escapes", "\\n\\r\\t\\b\\f\\\\\\(\\)", "\n\r\t\b\f\\()"},
    {"octal escapes of one to three digits", "\\101\\7\\0123", "A\a\n3"},
    {"an octal escape beyond a byte wraps", "\\777", "\xFF"},
    {"an unknown escape drops its backslash", "C:\\Users", "C:Users"},
    {"CR and CR LF read as LF", "a\rb\r\nc", "a\nb\nc"},
    {"a backslash at the very end", "a\\", "a"},
};

TEST(PDFSyntaxTest, DecodesLiteralStringBodies)
{
    for (const DecodeCase& c : kDecodeCases) {
        SCOPED_TRACE(c.what);
        std::string out = "x";
        PDFSyntax::AppendLiteralStringBytes(c.body, out);
        EXPECT_EQ(std::string_view(out).substr(1), c.bytes);
        EXPECT_EQ(out[0], 'x');
    }
}

struct HeaderCase
{
    const char* what;
    std::string_view bytes;
    PDFSyntax::ObjectHeaderScan::Result result;
    long long objectNumber, generation;
    std::size_t length;
};

using HeaderResult = PDFSyntax::ObjectHeaderScan::Result;

const HeaderCase kHeaderCases[] = {
    {"a header", "12 0 obj<<", HeaderResult::Header, 12, 0, 8},
    {"white space around", "\r\n7\t3 obj\n", HeaderResult::Header, 7, 3, 9},
    {"padded numbers", "0001 00 obj ", HeaderResult::Header, 1, 0, 11},
    {"cut off in the keyword", "1 0 ob", HeaderResult::NeedMore, 0, 0, 0},
    {"cut off before the keyword", "1 0 ", HeaderResult::NeedMore, 0, 0, 0},
    {"a signed number", "+1 0 obj ", HeaderResult::NotHeader, 0, 0, 0},
    {"another keyword", "1 0 objx ", HeaderResult::NotHeader, 0, 0, 0},
    {"a comment", "1 %c\n0 obj ", HeaderResult::NotHeader, 0, 0, 0},
    {"a number too large", "99999999999999999999 0 obj ", HeaderResult::NotHeader, 0, 0, 0},
    {"a reference", "1 0 R ", HeaderResult::NotHeader, 0, 0, 0},
};

TEST(PDFSyntaxTest, ScansObjectHeaders)
{
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.what);
        const PDFSyntax::ObjectHeaderScan scan = PDFSyntax::ScanObjectHeader(c.bytes);
        EXPECT_EQ(scan.result, c.result);
        if (c.result == HeaderResult::Header) {
            EXPECT_EQ(scan.objectNumber, c.objectNumber);
            EXPECT_EQ(scan.generation, c.generation);
            EXPECT_EQ(scan.length, c.length);
        }
    }
}

} // namespace

TEST(PDFSyntaxTest, HexadecimalBodiesHoldOnlyDigitsAndWhiteSpace)
{
    // Bodies of 20 bytes and more cross a block of sixteen; the odd byte stands in every place.
    const std::string digits = "0123456789abcdefABCDEF";
    EXPECT_TRUE(PDFSyntax::IsWellFormedHexStringBody(""));
    EXPECT_TRUE(PDFSyntax::IsWellFormedHexStringBody(digits));
    for (const char odd : {' ', '\r', '\0', 'G', 'g', '/', '@', '`', '>', '\xC1', '\xE6'}) {
        const bool allowed = odd == ' ' || odd == '\r' || odd == '\0';
        for (std::size_t at = 0; at <= digits.size(); ++at) {
            SCOPED_TRACE(std::to_string(static_cast<unsigned char>(odd)) + " at " +
                         std::to_string(at));
            std::string body = digits;
            body.insert(at, 1, odd);
            EXPECT_EQ(PDFSyntax::IsWellFormedHexStringBody(body), allowed);
        }
    }
}
