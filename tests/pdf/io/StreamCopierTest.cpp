#include "pdf/io/StreamCopier.h"

#include <string>

#include <gtest/gtest.h>

#include "MemoryStreams.h"

using namespace bytestreams_test;

TEST(StreamCopierTest, CopyAllFromEmptyReaderWritesNothing)
{
    std::string sink;
    MemoryWriter writer(&sink);
    MemoryReader reader("");
    EXPECT_EQ(StreamCopier(&writer).CopyAll(&reader), Success);
    EXPECT_EQ(writer.WriteCalls(), 0);
}

TEST(StreamCopierTest, CopyAllCopiesEveryByteFromShortReads)
{
    const std::string content = PatternBytes(100000);
    std::string sink;
    MemoryWriter writer(&sink);
    MemoryReader reader(content, 4093);
    EXPECT_EQ(StreamCopier(&writer).CopyAll(&reader), Success);
    EXPECT_EQ(sink, content);
}

TEST(StreamCopierTest, CopyAllFailsOnShortWrite)
{
    std::string sink;
    MemoryWriter writer(&sink, 10);
    MemoryReader reader(PatternBytes(50), 7);
    EXPECT_EQ(StreamCopier(&writer).CopyAll(&reader), Failure);
    EXPECT_EQ(sink, PatternBytes(10));
}

TEST(StreamCopierTest, CopyAllGivesUpOnAReaderThatNeverDelivers)
{
    std::string sink;
    MemoryWriter writer(&sink);
    StuckReader reader;
    EXPECT_EQ(StreamCopier(&writer).CopyAll(&reader), Failure);
    EXPECT_EQ(sink, "");
}

TEST(StreamCopierTest, CopyBytesCopiesTheCountOrWhatTheReaderHas)
{
    struct Case
    {
        const char* what;
        std::size_t available;
        IOByteCount count;
        std::size_t expected;
    };
    const Case cases[] = {
        {"part of the reader", 100, 40, 40},
        {"exactly the reader", 100, 100, 100},
        {"reader ends early", 100, 150, 100},
        {"more than one chunk", 200000, 150000, 150000},
        {"huge count from a file", 10, UINT32_MAX, 10},
        {"nothing", 10, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string content = PatternBytes(c.available);
        std::string sink;
        MemoryWriter writer(&sink);
        MemoryReader reader(content);
        EXPECT_EQ(StreamCopier(&writer).CopyBytes(&reader, c.count), Success);
        EXPECT_EQ(sink, content.substr(0, c.expected));
    }
}

TEST(StreamCopierTest, CopyBytesFailsOnShortWrite)
{
    std::string sink;
    MemoryWriter writer(&sink, 3);
    MemoryReader reader("abcdef");
    EXPECT_EQ(StreamCopier(&writer).CopyBytes(&reader, 6), Failure);
    EXPECT_EQ(StreamCopier(nullptr).CopyBytes(&reader, 1), Failure);
    EXPECT_EQ(StreamCopier(&writer).CopyAll(nullptr), Failure);
}
