#include "pdf/writing/TokenWriter.h"

#include <climits>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "WritingTestDoubles.h"

namespace {

template <typename Action> std::string Written(Action action)
{
    MemoryWriter output;
    TokenWriter writer;
    writer.SetStream(&output);
    action(writer);
    return output.mBytes;
}

struct TextCase
{
    const char* what;
    std::string_view input;
    std::string_view output;
};

constexpr TextCase kNameCases[] = {
    {"plain", "Type", "/Type"},
    {"empty name is the slash alone", "", "/"},
    {"space", "A B", "/A#20B"},
    {"number sign", "a#b", "/a#23b"},
    {"every delimiter", "()<>[]{}/%", "/#28#29#3c#3e#5b#5d#7b#7d#2f#25"},
    {"high byte in lower-case hex", "\xE9", "/#e9"},
    {"zero byte", std::string_view("a\0b", 3), "/a#00b"},
    {"DEL and control bytes", "\x7F\x01\x20", "/#7f#01#20"},
    {"regular punctuation kept", "!~.-_*", "/!~.-_*"},
};

TEST(TokenWriterTest, EscapesNames)
{
    for (const TextCase& c : kNameCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteName(c.input, SeparatorNone); }), c.output);
    }
}

constexpr TextCase kLiteralCases[] = {
    {"empty", "", "()"},
    {"parentheses and backslash", "a(b)c\\", "(a\\(b\\)c\\\\)"},
    {"tab, CR and high byte in octal", "\t\r\xE9", "(\\011\\015\\351)"},
    {"LF and 0xFF", "\n\xFF", "(\\012\\377)"},
    {"zero byte", std::string_view("\0", 1), "(\\000)"},
    {"printable range kept", " ~<>", "( ~<>)"},
    {"DEL", "\x7F", "(\\177)"},
};

TEST(TokenWriterTest, EscapesLiteralStrings)
{
    for (const TextCase& c : kLiteralCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteLiteralString(c.input, SeparatorNone); }),
                  c.output);
    }
}

TEST(TokenWriterTest, LongNamesAndStringsCrossTheChunkBufferIntact)
{
    const std::string name(2000, '#');
    std::string expectedName = "/";
    for (int i = 0; i < 2000; ++i) {
        expectedName += "#23";
    }
    EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteName(name, SeparatorNone); }), expectedName);

    std::string content;
    std::string expectedString = "(";
    for (int i = 0; i < 3000; ++i) {
        content.push_back(static_cast<char>(i % 256));
        const unsigned byte = static_cast<unsigned>(i % 256);
        if (byte == '(' || byte == ')' || byte == '\\') {
            expectedString += '\\';
            expectedString += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte <= 0x7E) {
            expectedString += static_cast<char>(byte);
        } else {
            char octal[8];
            std::snprintf(octal, sizeof(octal), "\\%03o", byte);
            expectedString += octal;
        }
    }
    expectedString += ")";
    EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteLiteralString(content, SeparatorNone); }),
              expectedString);
}

TEST(TokenWriterTest, WritesIntegersInFull)
{
    const struct
    {
        long long value;
        const char* output;
    } cases[] = {
        {0, "0"},
        {-5, "-5"},
        {42, "42"},
        {LLONG_MAX, "9223372036854775807"},
        {LLONG_MIN, "-9223372036854775808"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteInteger(c.value, SeparatorNone); }),
                  c.output);
    }
}

TEST(TokenWriterTest, WritesTrimmedReals)
{
    const struct
    {
        double value;
        const char* output;
    } cases[] = {
        {3.0, "3"},
        {12.0, "12"},
        {100.0, "100"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {-1.5, "-1.5"},
        {0.000001, "0.000001"},
        {0.0000004, "0"},
        {-0.0, "-0"},
        {1234.5678912, "1234.567891"},
        {0.0, "0"},
        {1e300 * 1e300, "0"}, // infinity would not read back as a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteReal(c.value, SeparatorNone); }), c.output);
    }
}

TEST(TokenWriterTest, LargestRealIsWrittenWithAllItsDigits)
{
    const std::string text =
        Written([](TokenWriter& w) { w.WriteReal(1.7976931348623157e308, SeparatorNone); });
    EXPECT_EQ(text.size(), 309u);
    EXPECT_EQ(text.substr(0, 5), "17976");
}

TEST(TokenWriterTest, ExactRealsKeepEveryDigitAndADecimalPoint)
{
    const struct
    {
        double value;
        std::string output;
    } cases[] = {
        {5.0, "5.0"},
        {-0.0, "-0.0"},
        {0.0, "0.0"},
        {0.1, "0.1"},
        {-1.5, "-1.5"},
        {0.0000001, "0.0000001"},
        {1.2345678901234567, "1.2345678901234567"},
        {12345678901234567890.5, "12345678901234567168.0"},
        // Beyond 2^53 the form is the double's exact integer value.
        {1.7976931348623157e308,
         "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058955"
         "86327668781715404589535143824642343213268894641827684675467035375169860499105765512820762"
         "45490090389328944075868508455133942304583236903222948165808559332123348274797826204144723"
         "168738177180919299881250404026184124858368.0"},
        {4.9406564584124654e-324, std::string("0.").append(323, '0').append("5")},
        {1e300 * 1e300, "0.0"}, // infinity would not read back as a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output.substr(0, 24));
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteExactReal(c.value, SeparatorSpace); }),
                  c.output + " ");
    }
}

TEST(TokenWriterTest, SeparatorsFollowTokens)
{
    const struct
    {
        const char* what;
        TokenSeparator separator;
        const char* output;
    } cases[] = {
        {"space", SeparatorSpace, "/Type "},
        {"end line", SeparatorEndLine, "/Type\r\n"},
        {"none", SeparatorNone, "/Type"},
        {"unknown value appends nothing", static_cast<TokenSeparator>(7), "/Type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Written([&](TokenWriter& w) { w.WriteName("Type", c.separator); }), c.output);
    }
}

TEST(TokenWriterTest, WritesKeywordsBooleansNullHexAndArrays)
{
    EXPECT_EQ(Written([](TokenWriter& w) {
                  w.StartArray();
                  w.WriteInteger(1, SeparatorSpace);
                  w.WriteInteger(2, SeparatorSpace);
                  w.EndArray(SeparatorNone);
              }),
              "[ 1 2 ]");
    EXPECT_EQ(Written([](TokenWriter& w) {
                  w.WriteBoolean(true, SeparatorSpace);
                  w.WriteBoolean(false, SeparatorSpace);
                  w.WriteNull(SeparatorEndLine);
                  w.WriteHexString("", SeparatorSpace);
                  w.WriteHexString("0aFF", SeparatorNone);
                  w.WriteKeyword("endobj");
                  w.EndLine();
              }),
              "true false null\r\n<> <0aFF>endobj\r\n\r\n");
    EXPECT_EQ(Written([](TokenWriter& w) { w.WriteInteger(-5, SeparatorEndLine); }), "-5\r\n");
}

TEST(TokenWriterTest, WithoutStreamWritesNothingAndDoesNotCrash)
{
    TokenWriter writer;
    writer.WriteName("Type", SeparatorEndLine);
    writer.WriteLiteralString("abc", SeparatorSpace);
    writer.WriteReal(1.5, SeparatorNone);
    EXPECT_EQ(writer.GetStream(), nullptr);
}

} // namespace
