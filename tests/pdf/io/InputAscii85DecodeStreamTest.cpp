#include "pdf/io/InputAscii85DecodeStream.h"

#include <gtest/gtest.h>

#include "FilterTestDoubles.h"
#include "pdf/io/InputFlateDecodeStream.h"

using namespace std::string_literals;

namespace {
std::string Decode(const std::string& text, std::size_t readSize = 4096, bool lieAboutEnd = false)
{
    InputAscii85DecodeStream decoder(new MemoryReader(text, SIZE_MAX, lieAboutEnd));
    std::string result = ReadAllFrom(decoder, readSize);
    EXPECT_FALSE(decoder.HasMore());
    return result;
}

struct DecodeCase
{
    const char* what;
    std::string input, output;
};
} // namespace

TEST(InputAscii85DecodeStreamTest, DecodesKnownInputs)
{
    const DecodeCase cases[] = {
        {"end marker only", "~>", ""},
        {"empty source", "", ""},
        {"z then end marker", "z~>", "\0\0\0\0"s},
        {"full group", "9jqo^~>", "Man "},
        {"four digits give three bytes", "9jqo~>", "Man"},
        {"two digits give one byte", "9`~>", "M"},
        {"one digit gives nothing", "9jqo^9~>", "Man "},
        {"white space skipped", " 9j\r\nq\to \f^ ~>", "Man "},
        {"tilde with another byte dropped", "9j~xqo^~>", "Man "},
        {"tilde with a digit dropped", "9jq~9o^~>", "Man "},
        {"bytes outside the alphabet skipped", "9j\x80q\xffo{^~>", "Man "},
        {"no end marker", "9jqo^", "Man "},
        {"after the end marker ignored", "9jqo^~>9jqo^", "Man "},
        {"end marker inside a group", "9jq~>o^", "Ma"},
        {"z inside a group ends it", "9`z9jqo^~>", "MMan "},
        {"z groups in a row", "zz~>", std::string(8, '\0')},
        {"largest group", "s8W-!~>", "\xff\xff\xff\xff"},
        {"overlarge group wraps", "uuuuu~>", "\x08\x78\x0e\xc4"},
        {"lone tilde at the end", "9jqo^~", "Man "},
        {"longer text", "87cURD_*\"s;aX,J3&Mh&DfTZ)3ZnD&!!\"-`@;0QXrV~>",
         "Hello, ASCII85 world: \0\0\0\0 tail\xff\xfe"s},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decode(c.input), c.output);
    }
}

TEST(InputAscii85DecodeStreamTest, EveryReadSizeGivesTheSameBytes)
{
    const std::string text = "87cURD_*\"s;aX,J3&Mh&D\nfTZ)3ZnD&!!\"-`@;0QXrV~>";
    const std::string expected = "Hello, ASCII85 world: \0\0\0\0 tail\xff\xfe"s;
    for (std::size_t readSize = 1; readSize <= expected.size() + 1; ++readSize) {
        SCOPED_TRACE(readSize);
        EXPECT_EQ(Decode(text, readSize), expected);
    }
}

TEST(InputAscii85DecodeStreamTest, SourceThatLearnsItsEndByReadingEnds)
{
    EXPECT_EQ(Decode("9jqo^9j", 1, true), "Man M");
    EXPECT_EQ(Decode("z", 3, true), "\0\0\0\0"s);
}

TEST(InputAscii85DecodeStreamTest, WithoutSourceDeliversNothing)
{
    InputAscii85DecodeStream decoder;
    Byte buffer[4];
    EXPECT_FALSE(decoder.HasMore());
    EXPECT_EQ(decoder.Read(buffer, sizeof(buffer)), 0u);
}

TEST(InputAscii85DecodeStreamTest, AssignStartsOverAfterTheEndMarker)
{
    auto* first = new MemoryReader("z~>");
    InputAscii85DecodeStream decoder(first);
    EXPECT_EQ(ReadAllFrom(decoder), "\0\0\0\0"s);
    decoder.Assign(new MemoryReader("9jqo^"));
    delete first; // Assign hands the previous source back to the caller
    EXPECT_EQ(ReadAllFrom(decoder), "Man ");
}

TEST(InputAscii85DecodeStreamTest, FeedsTheFlateDecoderInAChain)
{
    // Python's zlib.compress of the sentence four times, then base64.a85encode.
    const std::string text = "Gao/`86%&hbtQD`81Mb8cVmBXY>E:i\nbq1>Ea=g1<;CDQ<k9O)..\\u.'lR@Jq\n"
                             "%`JGE?pL7~>";
    std::string expected;
    for (int i = 0; i < 4; ++i) {
        expected += "The quick brown fox jumps over the lazy dog. ";
    }
    InputFlateDecodeStream chain(new InputAscii85DecodeStream(new MemoryReader(text)));
    EXPECT_EQ(ReadAllFrom(chain, 7), expected);
}
