// The buffered reader's shortcuts: single-byte reads served straight from the buffer, and the
// non-virtual look-and-consume access the tokenizer scans with. Both must leave the reader
// exactly where plain reads would, at every buffer size and across refills.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"
#include "pdf/io/InputBufferedStream.h"

using namespace bytestreams_test;

TEST(InputBufferedStreamFastPathTest, SingleByteReadsDeliverEveryByteAtEveryBufferSize)
{
    const std::string content = PatternBytes(97);
    for (IOByteCount bufferSize = 1; bufferSize <= 40; ++bufferSize) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream stream(new MemoryReader(content), bufferSize);
        std::string result;
        Byte value = 0;
        while (stream.HasMore() && stream.Read(&value, 1) == 1) {
            result.push_back(static_cast<char>(value));
            ASSERT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(result.size()));
        }
        EXPECT_EQ(result, content);
        EXPECT_EQ(stream.Read(&value, 1), 0u);
    }
}

TEST(InputBufferedStreamFastPathTest, MixedReadSizesMatchTheContentAtEveryBufferSize)
{
    // Read sizes 1..7 in turn, so single-byte reads fall on every offset within a buffer.
    const std::string content = PatternBytes(300);
    for (IOByteCount bufferSize = 1; bufferSize <= 24; ++bufferSize) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream stream(new MemoryReader(content), bufferSize);
        std::string result;
        std::vector<Byte> piece(8);
        for (IOByteCount size = 1; stream.HasMore(); size = size % 7 + 1) {
            const IOByteCount got = stream.Read(piece.data(), size);
            result.append(reinterpret_cast<const char*>(piece.data()), got);
            ASSERT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(result.size()));
            if (got == 0) {
                break;
            }
        }
        EXPECT_EQ(result, content);
    }
}

TEST(InputBufferedStreamFastPathTest, ConsumingBufferedBytesMovesThePositionExactly)
{
    const std::string content = PatternBytes(50);
    InputBufferedStream stream(new MemoryReader(content), 16);
    EXPECT_EQ(stream.BufferedCount(), 0u); // nothing is read before the first Read

    Byte first = 0;
    ASSERT_EQ(stream.Read(&first, 1), 1u); // fills the buffer
    ASSERT_EQ(stream.BufferedCount(), 15u);
    EXPECT_EQ(stream.BufferedBytes()[0], static_cast<Byte>(content[1]));

    stream.ConsumeBuffered(4);
    EXPECT_EQ(stream.GetCurrentPosition(), 5);
    EXPECT_EQ(stream.BufferedCount(), 11u);
    Byte next = 0;
    ASSERT_EQ(stream.Read(&next, 1), 1u);
    EXPECT_EQ(next, static_cast<Byte>(content[5]));
}

TEST(InputBufferedStreamFastPathTest, ConsumingMoreThanIsBufferedStopsAtTheBufferEnd)
{
    const std::string content = PatternBytes(50);
    InputBufferedStream stream(new MemoryReader(content), 16);
    Byte value = 0;
    ASSERT_EQ(stream.Read(&value, 1), 1u);

    stream.ConsumeBuffered(1000); // must not run past the buffered bytes
    EXPECT_EQ(stream.BufferedCount(), 0u);
    EXPECT_EQ(stream.GetCurrentPosition(), 16);
    ASSERT_EQ(stream.Read(&value, 1), 1u);
    EXPECT_EQ(value, static_cast<Byte>(content[16]));
}

TEST(InputBufferedStreamFastPathTest, RepositioningEmptiesTheBufferSeenThroughTheFastPath)
{
    const std::string content = PatternBytes(50);
    InputBufferedStream stream(new MemoryReader(content), 16);
    Byte value = 0;
    ASSERT_EQ(stream.Read(&value, 1), 1u);

    stream.SetPosition(30);
    EXPECT_EQ(stream.BufferedCount(), 0u);
    ASSERT_EQ(stream.Read(&value, 1), 1u);
    EXPECT_EQ(value, static_cast<Byte>(content[30]));
}

TEST(InputBufferedStreamFastPathTest, WithoutASourceNothingIsBufferedOrRead)
{
    InputBufferedStream stream(nullptr, 16);
    Byte value = 0;
    EXPECT_EQ(stream.BufferedCount(), 0u);
    stream.ConsumeBuffered(3);
    EXPECT_EQ(stream.Read(&value, 1), 0u);
    EXPECT_FALSE(stream.HasMore());
}

TEST(InputBufferedStreamFastPathTest, OnlyTheExactClassOffersItsBuffer)
{
    class Derived : public InputBufferedStream
    {
    public:
        using InputBufferedStream::InputBufferedStream;
    };
    InputBufferedStream buffered(new MemoryReader("abc"), 4);
    Derived derived(new MemoryReader("abc"), 4);
    MemoryReader plain("abc");
    EXPECT_EQ(InputBufferedStream::ExactlyBuffered(&buffered), &buffered);
    EXPECT_EQ(InputBufferedStream::ExactlyBuffered(&derived), nullptr);
    EXPECT_EQ(InputBufferedStream::ExactlyBuffered(&plain), nullptr);
    EXPECT_EQ(InputBufferedStream::ExactlyBuffered(nullptr), nullptr);
}
