#include "pdf/parsing/PDFTokenizer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"

namespace {

// Every token until the tokenizer finds none.
std::vector<std::string> AllTokens(const std::string& input)
{
    MemoryReader reader(input);
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    std::vector<std::string> tokens;
    for (PDFTokenizer::Token token = tokenizer.ReadToken(); token.first;
         token = tokenizer.ReadToken()) {
        tokens.push_back(token.second);
    }
    return tokens;
}

struct TokenCase
{
    const char* what;
    std::string input;
    std::vector<std::string> tokens;
};

const TokenCase kTokenCases[] = {
    {"white space only", std::string(" \r\n\t\f\0 ", 7), {}},
    {"names stop at the next slash", "/Type/Page", {"/Type", "/Page"}},
    {"array delimiters", "[1 2]", {"[", "1", "2", "]"}},
    {"dictionary brackets", "<<>>", {"<<", ">>"}},
    {"empty hex string", "<>", {"<>"}},
    {"hex string drops inner white space", "<4 1\n>", {"<41>"}},
    {"hex string keeps white space after the angle", "< 41>", {"< 41>"}},
    {"nested parentheses", "(a(b)c)", {"(a(b)c)"}},
    {"escaped parenthesis keeps the backslash", "(a\\)b)", {"(a\\)b)"}},
    {"line continuation with LF", "(ab\\\ncd)", {"(abcd)"}},
    {"line continuation with CR LF", "(ab\\\r\ncd)", {"(abcd)"}},
    {"line continuation with lone CR", "(ab\\\rcd)", {"(abcd)"}},
    {"unterminated literal string", "(abc", {"(abc"}},
    {"comment ends at CR LF", "%abc\r\n1", {"%abc", "1"}},
    {"comment right after a token", "abc%xyz", {"abc", "%xyz"}},
    {"put-back byte at the very end", "12]", {"12", "]"}},
    {"lone closing angle", "> 1", {">", "1"}},
    {"braces", "{x}", {"{", "x", "}"}},
    {"stray closing parenthesis is a regular token", ")", {")"}},
    {"keyword followed by dictionary", "trailer<</A 1>>", {"trailer", "<<", "/A", "1", ">>"}},
    {"lone opening angle at the end", "<", {"<"}},
    {"unterminated hex string", "<41", {"<41"}},
};

} // namespace

TEST(PDFTokenizerTest, SplitsKnownInputs)
{
    for (const TokenCase& c : kTokenCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(AllTokens(c.input), c.tokens);
    }
}

TEST(PDFTokenizerTest, NoReaderGivesNotFound)
{
    PDFTokenizer tokenizer;
    EXPECT_FALSE(tokenizer.ReadToken().first);
}

TEST(PDFTokenizerTest, StreamKeywordConsumesCRLF)
{
    MemoryReader reader("stream\r\nDATA");
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    PDFTokenizer::Token token = tokenizer.ReadToken();
    ASSERT_TRUE(token.first);
    EXPECT_EQ(token.second, "stream");
    EXPECT_FALSE(tokenizer.HasPutBackByte());
    EXPECT_EQ(reader.GetCurrentPosition(), 8);
}

TEST(PDFTokenizerTest, StreamKeywordWithLoneCRLeavesDataByteWaiting)
{
    MemoryReader reader("stream\rD");
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    ASSERT_TRUE(tokenizer.ReadToken().first);
    EXPECT_TRUE(tokenizer.HasPutBackByte());
    PDFTokenizer::Token next = tokenizer.ReadToken();
    EXPECT_EQ(next.second, "D");
}

TEST(PDFTokenizerTest, StreamKeywordWithoutEndOfLineIsRefusedUnlessTheInputEnds)
{
    const struct
    {
        const char* input;
        bool found;
    } cases[] = {{"stream DATA", false}, {"stream \t<<", false}, {"stream  \t", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        MemoryReader reader(c.input);
        PDFTokenizer tokenizer;
        tokenizer.AttachStream(&reader);
        EXPECT_EQ(tokenizer.ReadToken().first, c.found);
        EXPECT_EQ(tokenizer.StreamKeywordRefused(), !c.found);
    }
}

TEST(PDFTokenizerTest, CountsBytesTakenAndTokenStart)
{
    MemoryReader reader("abc def");
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    ASSERT_TRUE(tokenizer.ReadToken().first);
    ASSERT_TRUE(tokenizer.ReadToken().first);
    EXPECT_EQ(tokenizer.LastTokenPosition(), 4u);
    EXPECT_EQ(tokenizer.BytesTaken(), 7u);
}

TEST(PDFTokenizerTest, CopyReadStateCarriesThePutBackByte)
{
    MemoryReader reader("trailer<</A 1>>");
    PDFTokenizer first;
    first.AttachStream(&reader);
    ASSERT_EQ(first.ReadToken().second, "trailer");
    ASSERT_TRUE(first.HasPutBackByte());

    PDFTokenizer second;
    second.AttachStream(&reader);
    second.CopyReadState(first);
    EXPECT_EQ(second.ReadToken().second, "<<");
}

TEST(PDFTokenizerTest, LongTokensSurvive)
{
    const std::string name = "/" + std::string(100000, 'x');
    EXPECT_EQ(AllTokens(name + " 1"), (std::vector<std::string>{name, "1"}));
}
