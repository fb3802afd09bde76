// Long hexadecimal strings, literal strings and comments are scanned a word or more at a time
// (up to four blocks of sixteen bytes at once). A byte that ends the run must be found at every
// offset within a word, a block and a group of four blocks, and at every buffer
// size, and bytes that only look like one (high bytes, near misses of the stop bytes) must not
// end it: the tokens, counters and reader position must equal those of byte-wise reading.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/parsing/PDFTokenizer.h"

namespace {

struct Seen
{
    bool found;
    std::string text;
    std::uint64_t tokenStart;
    std::uint64_t bytesTaken;
    FilePosition position;

    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s)
{
    return out << "{found " << s.found << ", \"" << s.text << "\", start " << s.tokenStart
               << ", taken " << s.bytesTaken << ", position " << s.position << "}";
}

// Bounded by the input size, so a scanner that stops advancing fails instead of hanging.
std::vector<Seen> TokenizeAll(IByteReaderWithPosition& reader, std::size_t inputSize)
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    std::vector<Seen> seen;
    for (std::size_t i = 0; i <= inputSize + 1; ++i) {
        PDFTokenizer::Token token = tokenizer.ReadToken();
        seen.push_back({token.first, token.first ? token.second : std::string(),
                        tokenizer.LastTokenPosition(), tokenizer.BytesTaken(),
                        reader.GetCurrentPosition()});
        if (!token.first) {
            break;
        }
    }
    return seen;
}

void ExpectSameAsByteWise(const std::string& input)
{
    MemoryReader plain(input);
    const std::vector<Seen> expected = TokenizeAll(plain, input.size());
    for (IOByteCount bufferSize : {1u, 7u, 8u, 9u, 16u, 23u, 64u, 65u, 4096u}) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream buffered(new MemoryReader(input), bufferSize);
        EXPECT_EQ(TokenizeAll(buffered, input.size()), expected);
    }
}

// Filler bytes that each word test must let through: hex digits, letters, and bytes with the
// high bit set or one bit away from a stop byte.
const std::string kFillers[] = {
    "0123456789abcdefABCDEF", "\x80\xa1\xbe\xff\x21\x3f\x3d\x7f",
    "\x28\x29\x5c",     // ( ) backslash: stop a literal string, fill the others
    "\x29\x2a\x5d\x5b", // near misses of ( ) and backslash
};

// Past one group of four sixteen-byte blocks, so that a stop byte lands at every offset of it.
constexpr std::size_t kLongestBody = 72;

} // namespace

TEST(PDFTokenizerWordScanTest, HexStringEndsAtEveryOffset)
{
    for (const char* stop : {" ", "\r", "\n", "\t", "\f", ">"}) {
        for (std::size_t length = 0; length <= kLongestBody; ++length) {
            SCOPED_TRACE("stop byte " + std::to_string(static_cast<int>(stop[0])) + ", length " +
                         std::to_string(length));
            std::string body;
            for (std::size_t i = 0; i < length; ++i) {
                body.push_back(kFillers[0][i % kFillers[0].size()]);
            }
            ExpectSameAsByteWise("<" + body + stop + body + "> 1");
            ExpectSameAsByteWise("<" + body + kFillers[1] + body + stop + "9>");
        }
    }
    // NUL is white space too.
    ExpectSameAsByteWise(std::string("<0123456789\0abcdef>", 19));
}

TEST(PDFTokenizerWordScanTest, LiteralStringStopsAtEveryOffset)
{
    for (const char* special : {"(", ")", "\\(", "\\\\", "\\101", "\\\r\n"}) {
        for (std::size_t length = 0; length <= kLongestBody; ++length) {
            SCOPED_TRACE(std::string("special ") + special + ", length " + std::to_string(length));
            std::string body;
            for (std::size_t i = 0; i < length; ++i) {
                body.push_back(kFillers[1][i % kFillers[1].size()]);
            }
            const std::string closing = std::string(special) == "(" ? "))" : ")";
            ExpectSameAsByteWise("(" + body + special + body + kFillers[3] + closing + " 2");
        }
    }
}

TEST(PDFTokenizerWordScanTest, CommentEndsAtEveryOffset)
{
    for (const char* end : {"\r", "\n", "\r\n"}) {
        for (std::size_t length = 0; length <= kLongestBody; ++length) {
            SCOPED_TRACE("length " + std::to_string(length));
            std::string body;
            for (std::size_t i = 0; i < length; ++i) {
                body.push_back(kFillers[2][i % kFillers[2].size()]);
            }
            body += kFillers[1];
            ExpectSameAsByteWise("%" + body + end + "/N %" + body);
        }
    }
}
