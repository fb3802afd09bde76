#include "pdf/io/OutputBufferedStream.h"

#include <string>

#include <gtest/gtest.h>

#include "MemoryStreams.h"

using namespace bytestreams_test;

TEST(OutputBufferedStreamTest, EveryWriteSizeArrivesInOrder)
{
    const std::string content = PatternBytes(100);
    for (IOByteCount bufferSize : {1u, 4u, 16u, 100u, 128u}) {
        for (IOByteCount writeSize = 1; writeSize <= 40; ++writeSize) {
            SCOPED_TRACE("buffer " + std::to_string(bufferSize) + " write " +
                         std::to_string(writeSize));
            std::string sink;
            OutputBufferedStream stream(new MemoryWriter(&sink), bufferSize);
            for (std::size_t done = 0; done < content.size();) {
                IOByteCount size = static_cast<IOByteCount>(
                    std::min<std::size_t>(writeSize, content.size() - done));
                ASSERT_EQ(stream.Write(AsBytes(content) + done, size), size);
                done += size;
                ASSERT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(done));
            }
            EXPECT_EQ(stream.Flush(), Success);
            EXPECT_EQ(sink, content);
        }
    }
}

TEST(OutputBufferedStreamTest, WriteOfBufferPlusOneKeepsOneByteBuffered)
{
    constexpr IOByteCount kBuffer = 8;
    const std::string content = PatternBytes(kBuffer + 1);
    std::string sink;
    OutputBufferedStream stream(new MemoryWriter(&sink), kBuffer);
    EXPECT_EQ(stream.Write(AsBytes(content), kBuffer + 1), kBuffer + 1);
    EXPECT_EQ(sink, content.substr(0, kBuffer));
    EXPECT_EQ(stream.GetCurrentPosition(), kBuffer + 1);
    EXPECT_EQ(stream.Flush(), Success);
    EXPECT_EQ(sink, content);
}

TEST(OutputBufferedStreamTest, DestructionWritesOutBufferedBytes)
{
    std::string sink;
    {
        OutputBufferedStream stream(new MemoryWriter(&sink), 16);
        EXPECT_EQ(stream.Write(AsBytes("abc"), 3), 3u);
        EXPECT_EQ(sink, "");
    }
    EXPECT_EQ(sink, "abc");
}

TEST(OutputBufferedStreamTest, LostBufferedBytesMakeFlushFail)
{
    std::string sink;
    OutputBufferedStream stream(new MemoryWriter(&sink, 2), 4);
    EXPECT_EQ(stream.Write(AsBytes("abc"), 3), 3u); // buffered, reported written
    EXPECT_EQ(stream.Write(AsBytes("de"), 2), 2u);  // overflow writes out "abc": only "ab" fits
    EXPECT_EQ(sink, "ab");
    EXPECT_EQ(stream.Flush(), Failure);
    EXPECT_EQ(stream.Flush(), Failure); // and stays failed: those bytes are gone
}

TEST(OutputBufferedStreamTest, ShortDirectWriteIsReportedAndTailNotBuffered)
{
    std::string sink;
    OutputBufferedStream stream(new MemoryWriter(&sink, 6), 4);
    EXPECT_EQ(stream.Write(AsBytes("0123456789"), 10), 6u); // 8 direct, 2 fit
    EXPECT_EQ(stream.Flush(), Success);
    EXPECT_EQ(sink, "012345");
}

TEST(OutputBufferedStreamTest, AssignFlushesToTheOldTargetAndKeepsIt)
{
    std::string first;
    std::string second;
    MemoryWriter oldTarget(&first); // stays ours: Assign must not free it
    OutputBufferedStream stream(&oldTarget, 16);
    EXPECT_EQ(stream.Write(AsBytes("ab"), 2), 2u);
    stream.Assign(new MemoryWriter(&second));
    EXPECT_EQ(first, "ab");
    EXPECT_EQ(stream.Write(AsBytes("cd"), 2), 2u);
    EXPECT_EQ(stream.Flush(), Success);
    EXPECT_EQ(second, "cd");
    EXPECT_EQ(first, "ab");
}

TEST(OutputBufferedStreamTest, WithoutTargetNothingIsTaken)
{
    OutputBufferedStream stream(nullptr, 4);
    EXPECT_EQ(stream.Write(AsBytes("abc"), 3), 0u);
    EXPECT_EQ(stream.GetCurrentPosition(), 0);
    EXPECT_EQ(stream.Flush(), Success);
}
