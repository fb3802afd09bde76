#include "pdf/io/InputBufferedStream.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"

using namespace bytestreams_test;

namespace {

// Reads everything in pieces of readSize, checking the position after each piece.
std::string ReadAllInPieces(InputBufferedStream& stream, IOByteCount readSize)
{
    std::string result;
    std::vector<Byte> piece(readSize);
    while (stream.HasMore()) {
        IOByteCount read = stream.Read(piece.data(), readSize);
        result.append(reinterpret_cast<const char*>(piece.data()), read);
        EXPECT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(result.size()));
        if (read == 0) {
            break;
        }
    }
    return result;
}

} // namespace

TEST(InputBufferedStreamTest, EveryReadSizeDeliversTheSourceInOrder)
{
    const std::string content = PatternBytes(100);
    for (IOByteCount bufferSize : {1u, 3u, 7u, 16u, 100u, 128u}) {
        for (IOByteCount readSize = 1; readSize <= 40; ++readSize) {
            SCOPED_TRACE("buffer " + std::to_string(bufferSize) + " read " +
                         std::to_string(readSize));
            InputBufferedStream stream(new MemoryReader(content), bufferSize);
            EXPECT_EQ(ReadAllInPieces(stream, readSize), content);
        }
    }
}

TEST(InputBufferedStreamTest, ShortSourceReadsStillDeliverEveryByte)
{
    const std::string content = PatternBytes(97);
    for (IOByteCount chunk : {1u, 2u, 5u}) {
        for (IOByteCount readSize = 1; readSize <= 24; ++readSize) {
            SCOPED_TRACE("chunk " + std::to_string(chunk) + " read " + std::to_string(readSize));
            InputBufferedStream stream(new MemoryReader(content, chunk), 8);
            EXPECT_EQ(ReadAllInPieces(stream, readSize), content);
        }
    }
}

TEST(InputBufferedStreamTest, ReadOfBufferPlusHundredBypassesTheBuffer)
{
    constexpr IOByteCount kBuffer = 256; // above 100, as the real 256 KB buffer is
    const std::string content = PatternBytes(2 * kBuffer + 100);
    auto* source = new MemoryReader(content);
    InputBufferedStream stream(source, kBuffer);

    std::vector<Byte> out(kBuffer + 100);
    ASSERT_EQ(stream.Read(out.data(), kBuffer + 100), kBuffer + 100);
    EXPECT_EQ(std::string(out.begin(), out.end()), content.substr(0, kBuffer + 100));
    EXPECT_EQ(stream.GetCurrentPosition(), kBuffer + 100);
    // One whole buffer length straight into the caller's memory, then one refill.
    EXPECT_EQ(source->ReadSizes(), (std::vector<IOByteCount>{kBuffer, kBuffer}));
}

TEST(InputBufferedStreamTest, SkipLandsWhereSetPositionLands)
{
    const std::string content = PatternBytes(200);
    for (IOByteCount start : {0u, 1u, 5u, 15u}) {
        for (IOByteCount skip : {0u, 1u, 9u, 10u, 11u, 16u, 40u, 150u}) {
            SCOPED_TRACE("start " + std::to_string(start) + " skip " + std::to_string(skip));
            InputBufferedStream skipped(new MemoryReader(content), 16);
            InputBufferedStream positioned(new MemoryReader(content), 16);
            std::vector<Byte> prefix(start + 1);
            (void)skipped.Read(prefix.data(), start); // fills the buffer
            skipped.Skip(skip);
            positioned.SetPosition(start + skip);

            EXPECT_EQ(skipped.GetCurrentPosition(), positioned.GetCurrentPosition());
            Byte a = 0;
            Byte b = 0;
            ASSERT_EQ(skipped.Read(&a, 1), 1u);
            ASSERT_EQ(positioned.Read(&b, 1), 1u);
            EXPECT_EQ(a, b);
            EXPECT_EQ(a, static_cast<Byte>(content[start + skip]));
        }
    }
}

TEST(InputBufferedStreamTest, PositioningDropsBufferedBytes)
{
    const std::string content = PatternBytes(50);
    InputBufferedStream stream(new MemoryReader(content), 16);
    Byte byte = 0;
    ASSERT_EQ(stream.Read(&byte, 1), 1u);
    stream.SetPositionFromEnd(3);
    EXPECT_EQ(stream.GetCurrentPosition(), 47);
    ASSERT_EQ(stream.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 47);
    stream.SetPosition(2);
    ASSERT_EQ(stream.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 2);
}

TEST(InputBufferedStreamTest, HasMoreWhileBufferedBytesRemain)
{
    auto* source = new MemoryReader("abc");
    InputBufferedStream stream(source, 16);
    Byte byte = 0;
    ASSERT_EQ(stream.Read(&byte, 1), 1u);
    EXPECT_FALSE(source->HasMore()); // all three bytes sit in the buffer
    EXPECT_TRUE(stream.HasMore());
    Byte rest[4] = {};
    EXPECT_EQ(stream.Read(rest, 4), 2u);
    EXPECT_FALSE(stream.HasMore());
}

TEST(InputBufferedStreamTest, WithoutSourceEverythingIsEmpty)
{
    InputBufferedStream stream(nullptr, 0); // size 0 is taken as 1
    Byte byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_FALSE(stream.HasMore());
    EXPECT_EQ(stream.GetCurrentPosition(), 0);
    stream.Skip(5);
    stream.SetPosition(3);
    stream.Assign(new MemoryReader("xy"));
    EXPECT_EQ(stream.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 'x');
    IByteReaderWithPosition* source = stream.GetSourceStream();
    stream.Assign(source); // same source again: kept, not freed (ASan checks); buffer dropped
    EXPECT_EQ(stream.GetSourceStream(), source);
    EXPECT_EQ(stream.GetCurrentPosition(), source->GetCurrentPosition());
}
