// The tokenizer scans an InputBufferedStream's buffer directly instead of reading byte by byte.
// These tests hold that path to the byte-wise one: the same tokens, counters, put-back byte and
// reader position after every token, at every buffer size, so a token or a stream's data start
// never depends on where a buffer boundary falls.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ParsingTestSupport.h"
#include "pdf/io/AdapterIByteReaderWithPositionToIReadPositionProvider.h"
#include "pdf/io/InputBufferedStream.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFObjectCast.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/PDFObjectParser.h"
#include "pdf/parsing/PDFTokenizer.h"

namespace {

struct Observation
{
    bool found;
    std::string text;
    std::uint64_t tokenStart;
    std::uint64_t bytesTaken;
    bool putBack;
    FilePosition readerPosition;

    bool operator==(const Observation&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Observation& o)
{
    return out << "{found " << o.found << ", \"" << o.text << "\", start " << o.tokenStart
               << ", taken " << o.bytesTaken << ", put back " << o.putBack << ", position "
               << o.readerPosition << "}";
}

// Tokens until the first not found; bounded so a tokenizer that stops advancing fails the test
// instead of hanging it.
std::vector<Observation> TokenizeAll(IByteReaderWithPosition& reader, std::size_t inputSize)
{
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    std::vector<Observation> seen;
    for (std::size_t i = 0; i <= inputSize + 1; ++i) {
        PDFTokenizer::Token token = tokenizer.ReadToken();
        seen.push_back({token.first, token.first ? token.second : std::string(),
                        tokenizer.LastTokenPosition(), tokenizer.BytesTaken(),
                        tokenizer.HasPutBackByte(), reader.GetCurrentPosition()});
        if (!token.first) {
            break;
        }
    }
    return seen;
}

// Delivers the first cut bytes of its content, then claims more forever and delivers nothing:
// a read that fails in the middle of a token.
class FailingAfterReader : public MemoryReader
{
public:
    FailingAfterReader(std::string bytes, std::size_t cut)
        : MemoryReader(std::move(bytes)), mCut(cut)
    {
    }
    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        const auto position = static_cast<std::size_t>(GetCurrentPosition());
        const std::size_t allowed = position < mCut ? mCut - position : 0;
        return MemoryReader::Read(buffer,
                                  count < allowed ? count : static_cast<IOByteCount>(allowed));
    }
    bool HasMore() override { return true; }

private:
    std::size_t mCut;
};

const std::vector<IOByteCount> kBufferSizes = [] {
    std::vector<IOByteCount> sizes;
    for (IOByteCount size = 1; size <= 33; ++size) {
        sizes.push_back(size);
    }
    sizes.push_back(4096);
    return sizes;
}();

// Tokens longer than most buffer sizes, so runs are cut at every boundary.
std::string LongTokens()
{
    std::string text = "<";
    text.append(70, 'a').append(" ").append(41, 'b').append("> /");
    text.append(50, 'N').append(" (").append(45, 's').append(")");
    return text;
}

struct TokenCase
{
    const char* what;
    std::string input;
};

const TokenCase kTokenCases[] = {
    {"names, arrays, dictionaries", "/Type/Page [1 2] <<>> <<\r\n/A 12 0 R>>"},
    {"hex strings with white space", "<> < 41> <4 1\n> <0a1B  2c\r\n3d>"},
    {"unterminated hex string", "<0a1b"},
    {"lone angles", "> >> >< ><< >"},
    {"comments", "%abc\r\n1 %x\n2 abc%xyz\r%tail"},
    {"literal strings", "(a(b)c) (a\\)b) (\\\\) (x\\\r\ny) (p\\\nq) (r\\\rs) ((\\()"},
    {"unterminated literal string", "(abc (d"},
    {"stream after CR LF", "<</Length 4>>stream\r\nDATA"},
    {"stream after lone CR", "stream\rDATA"},
    {"stream after LF", "stream\nD"},
    {"stream after a space", "stream D"},
    {"stream after spaces and a tab, then CR LF", "stream  \t\r\nDATA"},
    {"stream after a space, then a lone CR", "stream \rD"},
    {"stream and spaces at the end", "stream  \t"},
    {"stream at the end", "stream"},
    {"delimiter at the end", "12]"},
    {"high bytes", "\xff\xfe /N#41 (\x80\x81) <\xe9>"},
    {"white space only", std::string("  \r\n\t\f\0 ", 8)},
    {"long tokens", LongTokens()},
};

} // namespace

TEST(PDFTokenizerBufferedTest, MatchesByteWiseReadingAtEveryBufferSize)
{
    for (const TokenCase& c : kTokenCases) {
        SCOPED_TRACE(c.what);
        MemoryReader plain(c.input);
        const std::vector<Observation> expected = TokenizeAll(plain, c.input.size());
        ASSERT_FALSE(expected.back().found);
        for (IOByteCount bufferSize : kBufferSizes) {
            SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
            InputBufferedStream buffered(new MemoryReader(c.input), bufferSize);
            EXPECT_EQ(TokenizeAll(buffered, c.input.size()), expected);
        }
    }
}

TEST(PDFTokenizerBufferedTest, FailedReadInsideATokenMatchesByteWiseReading)
{
    const std::string input = "<<\r\n/Cert <0a1b 2c> /Name (st\\)r) %c\r\n/Key 123 >>";
    for (std::size_t cut = 0; cut <= input.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        FailingAfterReader plain(input, cut);
        const std::vector<Observation> expected = TokenizeAll(plain, input.size());
        ASSERT_FALSE(expected.back().found);
        for (IOByteCount bufferSize : {1u, 2u, 3u, 7u, 64u}) {
            SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
            InputBufferedStream buffered(new FailingAfterReader(input, cut), bufferSize);
            EXPECT_EQ(TokenizeAll(buffered, input.size()), expected);
        }
    }
}

TEST(PDFTokenizerBufferedTest, SubclassOfTheBufferedReaderIsReadThroughItsOwnRead)
{
    // A subclass may change what Read delivers, so the tokenizer must not look into its buffer.
    class UpperCasing : public InputBufferedStream
    {
    public:
        using InputBufferedStream::InputBufferedStream;
        IOByteCount Read(Byte* buffer, IOByteCount count) override
        {
            const IOByteCount got = InputBufferedStream::Read(buffer, count);
            for (IOByteCount i = 0; i < got; ++i) {
                if (buffer[i] >= 'a' && buffer[i] <= 'z') {
                    buffer[i] = static_cast<Byte>(buffer[i] - 'a' + 'A');
                }
            }
            return got;
        }
    };
    UpperCasing reader(new MemoryReader("/abc def"), 16);
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(&reader);
    EXPECT_EQ(tokenizer.ReadToken().second, "/ABC");
    EXPECT_EQ(tokenizer.ReadToken().second, "DEF");
}

TEST(PDFTokenizerBufferedTest, StreamDataStartDoesNotDependOnBufferSize)
{
    const std::string input = "1 0 obj\r\n<</Length 4/Cert <0a 1b>>>stream\rDATA\r\nendstream";
    const FilePosition dataStart = static_cast<FilePosition>(input.find("DATA"));
    for (IOByteCount bufferSize : kBufferSizes) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream reader(new MemoryReader(input), bufferSize);
        AdapterIByteReaderWithPositionToIReadPositionProvider position(&reader);
        PDFObjectParser parser;
        parser.AttachStream(&reader, &position);
        for (int header = 0; header < 3; ++header) {
            RefCountPtr<PDFObject> skipped(parser.ParseObject(nullptr));
            ASSERT_FALSE(skipped.IsNull());
        }
        PDFObjectCastPtr<PDFStreamInput> stream(parser.ParseObject(nullptr));
        ASSERT_FALSE(stream.IsNull());
        EXPECT_EQ(stream->GetDataStart(), dataStart);
        PDFObjectCastPtr<PDFDictionary> dictionary(stream->GetDictionary());
        PDFObjectCastPtr<PDFHexString> cert(dictionary->Lookup("Cert"));
        ASSERT_FALSE(cert.IsNull());
        EXPECT_EQ(cert->GetValue(), "0a1b");
    }
}
