#include "pdf/io/InputFlateDecodeStream.h"

#include <gtest/gtest.h>

#include "FilterTestDoubles.h"

namespace {
// Produced once with another encoder (Python's zlib).
const std::string kHelloText = [] {
    std::string line = "Hello, Hello, Hello, flate world!\n";
    return line + line + line;
}();
const std::string kHelloLevel9 =
    Bytes({0x78, 0xda, 0xf3, 0x48, 0xcd, 0xc9, 0xc9, 0xd7, 0x51, 0xf0, 0x40, 0xa1,
           0xd2, 0x72, 0x12, 0x4b, 0x52, 0x15, 0xca, 0xf3, 0x8b, 0x72, 0x52, 0x14,
           0xb9, 0x3c, 0xa8, 0xa0, 0x02, 0x00, 0xd2, 0x2a, 0x21, 0xbe});
const std::string kEmptyLevel6 = Bytes({0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
const std::string kAbcStored =
    Bytes({0x78, 0x01, 0x01, 0x03, 0x00, 0xfc, 0xff, 0x61, 0x62, 0x63, 0x02, 0x4d, 0x01, 0x27});

struct KnownStream
{
    const char* what;
    const std::string& compressed;
    std::string plain;
};

std::string Decode(const std::string& compressed, std::size_t readSize,
                   std::size_t sourceChunk = SIZE_MAX, bool lieAboutEnd = false)
{
    InputFlateDecodeStream decoder(new MemoryReader(compressed, sourceChunk, lieAboutEnd));
    return ReadAllFrom(decoder, readSize);
}
} // namespace

TEST(InputFlateDecodeStreamTest, DecodesOtherEncodersOutputAtEveryReadSize)
{
    const KnownStream cases[] = {
        {"level 9 text", kHelloLevel9, kHelloText},
        {"empty content", kEmptyLevel6, ""},
        {"stored block", kAbcStored, "abc"},
    };
    for (const KnownStream& c : cases) {
        for (std::size_t sourceChunk : {std::size_t{1}, std::size_t{7}, SIZE_MAX}) {
            for (std::size_t readSize = 1; readSize <= kHelloText.size() + 2; ++readSize) {
                SCOPED_TRACE(std::string(c.what) + ", chunk " + std::to_string(sourceChunk) +
                             ", read " + std::to_string(readSize));
                ASSERT_EQ(Decode(c.compressed, readSize, sourceChunk), c.plain);
            }
        }
    }
}

TEST(InputFlateDecodeStreamTest, ReadStopsAtCountAndNextReadContinues)
{
    InputFlateDecodeStream decoder(new MemoryReader(kHelloLevel9));
    Byte buffer[10];
    ASSERT_EQ(decoder.Read(buffer, 5), 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "Hello");
    ASSERT_EQ(decoder.Read(buffer, 2), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), ", ");
    EXPECT_EQ(decoder.Read(buffer, 0), 0u);
    EXPECT_TRUE(decoder.HasMore());
}

TEST(InputFlateDecodeStreamTest, BytesAfterTheCompressedDataAreConsumedAndDropped)
{
    auto* source = new MemoryReader(kAbcStored + "\r\nendstream garbage");
    InputFlateDecodeStream decoder(source);
    EXPECT_EQ(ReadAllFrom(decoder), "abc");
    EXPECT_FALSE(decoder.HasMore());
    EXPECT_FALSE(source->HasMore());
}

TEST(InputFlateDecodeStreamTest, SourceThatLearnsItsEndByReadingDecodesWithoutTrace)
{
    TraceCapture trace;
    for (std::size_t readSize : {1, 3, 4096}) {
        SCOPED_TRACE(readSize);
        EXPECT_EQ(Decode(kHelloLevel9 + "xx", readSize, SIZE_MAX, true), kHelloText);
    }
    EXPECT_EQ(trace.Text(), "");
}

TEST(InputFlateDecodeStreamTest, CorruptDataGivesTraceAndNoBytes)
{
    struct Corrupt
    {
        const char* what;
        std::string data;
    };
    std::string badBlockType = kHelloLevel9;
    badBlockType[2] = static_cast<char>(0x07); // final block of reserved type 3
    const Corrupt cases[] = {
        {"not a zlib header", "plain text, not compressed"},
        {"reserved block type", badBlockType},
        {"bad checksum", kAbcStored.substr(0, kAbcStored.size() - 1) + "\x28"},
    };
    for (const Corrupt& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        InputFlateDecodeStream decoder(new MemoryReader(c.data));
        Byte buffer[4096];
        EXPECT_EQ(decoder.Read(buffer, sizeof(buffer)), 0u);
        EXPECT_TRUE(trace.HasText("InputFlateDecodeStream::DecodeBufferAndWrite, failed to write "
                                  "zlib information. returned error code = -3"));
        EXPECT_FALSE(decoder.HasMore());
        EXPECT_EQ(decoder.Read(buffer, sizeof(buffer)), 0u);
    }
}

TEST(InputFlateDecodeStreamTest, SourceEndingEarlyDeliversWhatWasDecodedAndEnds)
{
    std::string truncated = kAbcStored.substr(0, 9); // header, block header, "ab"
    TraceCapture trace;
    EXPECT_EQ(Decode(truncated, 1), "ab");
    EXPECT_EQ(Decode(truncated, 4096), "ab");
    EXPECT_EQ(trace.Text(), "");
}

TEST(InputFlateDecodeStreamTest, SourceFailingBeforeTheEndGivesTraceAndStops)
{
    TraceCapture trace;
    InputFlateDecodeStream decoder(new MemoryReader(kAbcStored.substr(0, 9), SIZE_MAX, true));
    Byte buffer[4096];
    EXPECT_EQ(decoder.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_TRUE(trace.HasText(
        "InputFlateDecodeStream::DecodeBufferAndWrite, failed to read from source stream"));
    EXPECT_FALSE(decoder.HasMore());
}

TEST(InputFlateDecodeStreamTest, WithoutSourceDeliversNothing)
{
    InputFlateDecodeStream decoder;
    Byte buffer[4];
    EXPECT_FALSE(decoder.HasMore());
    EXPECT_EQ(decoder.Read(buffer, sizeof(buffer)), 0u);
}

TEST(InputFlateDecodeStreamTest, AssignStartsOverOnANewSource)
{
    auto* first = new MemoryReader(kHelloLevel9);
    InputFlateDecodeStream decoder(first);
    Byte buffer[3];
    ASSERT_EQ(decoder.Read(buffer, sizeof(buffer)), 3u);
    decoder.Assign(new MemoryReader(kAbcStored));
    delete first; // Assign hands the previous source back to the caller
    EXPECT_EQ(ReadAllFrom(decoder), "abc");
}
