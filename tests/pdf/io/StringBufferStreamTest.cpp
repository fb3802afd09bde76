#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"
#include "pdf/io/InputStringBufferStream.h"
#include "pdf/io/MyStringBuf.h"
#include "pdf/io/OutputStringBufferStream.h"

using namespace bytestreams_test;

TEST(OutputStringBufferStreamTest, CollectsWritesAndResets)
{
    OutputStringBufferStream stream;
    EXPECT_EQ(stream.Write(AsBytes("ab"), 2), 2u);
    EXPECT_EQ(stream.Write(AsBytes("c"), 1), 1u);
    EXPECT_EQ(stream.ToString(), "abc");
    EXPECT_EQ(stream.GetCurrentPosition(), 3);
    stream.Reset();
    EXPECT_EQ(stream.ToString(), "");
    EXPECT_EQ(stream.GetCurrentPosition(), 0);
    EXPECT_EQ(stream.Write(AsBytes("d"), 1), 1u);
    EXPECT_EQ(stream.ToString(), "d");
}

TEST(OutputStringBufferStreamTest, SetPositionOverwritesInPlace)
{
    OutputStringBufferStream stream;
    EXPECT_EQ(stream.Write(AsBytes("hello"), 5), 5u);
    stream.SetPosition(1);
    EXPECT_EQ(stream.GetCurrentPosition(), 1);
    EXPECT_EQ(stream.Write(AsBytes("EL"), 2), 2u);
    EXPECT_EQ(stream.ToString(), "hELlo");
    stream.SetPosition(99); // beyond the content: ignored
    stream.SetPosition(-1);
    EXPECT_EQ(stream.GetCurrentPosition(), 3);
}

TEST(OutputStringBufferStreamTest, AssignBorrowsOrCreatesBuffers)
{
    MyStringBuf borrowed; // on the stack: the stream must never free it
    OutputStringBufferStream stream;
    EXPECT_EQ(stream.Write(AsBytes("own"), 3), 3u);
    stream.Assign(&borrowed); // the owned buffer is freed (ASan checks)
    EXPECT_EQ(stream.Write(AsBytes("lent"), 4), 4u);
    EXPECT_EQ(borrowed.str(), "lent");
    stream.Assign(nullptr);
    EXPECT_EQ(stream.ToString(), "");
    stream.Assign(&borrowed);
    stream.Assign(&borrowed);
    EXPECT_EQ(stream.ToString(), "lent");
}

TEST(InputStringBufferStreamTest, ReadsBackWhatWasWrittenForEveryReadSize)
{
    const std::string content = PatternBytes(300) + std::string("\0\xff", 2);
    for (IOByteCount readSize = 1; readSize <= 33; ++readSize) {
        SCOPED_TRACE(readSize);
        MyStringBuf buffer;
        OutputStringBufferStream writer(&buffer);
        ASSERT_EQ(writer.Write(AsBytes(content), static_cast<IOByteCount>(content.size())),
                  content.size());
        writer.SetPosition(0);
        InputStringBufferStream reader(&buffer);
        std::string read;
        std::vector<Byte> piece(readSize);
        while (reader.HasMore()) {
            IOByteCount got = reader.Read(piece.data(), readSize);
            ASSERT_GT(got, 0u);
            read.append(reinterpret_cast<const char*>(piece.data()), got);
            ASSERT_EQ(reader.GetCurrentPosition(), static_cast<FilePosition>(read.size()));
        }
        EXPECT_EQ(read, content);
    }
}

TEST(InputStringBufferStreamTest, PositioningStaysInsideTheContent)
{
    MyStringBuf buffer;
    OutputStringBufferStream writer(&buffer);
    ASSERT_EQ(writer.Write(AsBytes("0123456789"), 10), 10u);
    InputStringBufferStream reader(&buffer);
    struct Case
    {
        const char* what;
        void (*move)(InputStringBufferStream&);
        FilePosition expected;
    };
    const Case cases[] = {
        {"set 4", [](InputStringBufferStream& r) { r.SetPosition(4); }, 4},
        {"set to end", [](InputStringBufferStream& r) { r.SetPosition(10); }, 10},
        {"set beyond is ignored", [](InputStringBufferStream& r) { r.SetPosition(11); }, 2},
        {"set negative is ignored", [](InputStringBufferStream& r) { r.SetPosition(-1); }, 2},
        {"from end 3", [](InputStringBufferStream& r) { r.SetPositionFromEnd(3); }, 7},
        {"from end 0", [](InputStringBufferStream& r) { r.SetPositionFromEnd(0); }, 10},
        {"from end too far", [](InputStringBufferStream& r) { r.SetPositionFromEnd(11); }, 2},
        {"from end negative", [](InputStringBufferStream& r) { r.SetPositionFromEnd(-1); }, 2},
        {"skip 5", [](InputStringBufferStream& r) { r.Skip(5); }, 7},
        {"skip past end stops at end", [](InputStringBufferStream& r) { r.Skip(UINT32_MAX); }, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reader.SetPosition(2);
        c.move(reader);
        EXPECT_EQ(reader.GetCurrentPosition(), c.expected);
        Byte byte = 0;
        EXPECT_EQ(reader.Read(&byte, 1), c.expected < 10 ? 1u : 0u);
        if (c.expected < 10) {
            EXPECT_EQ(byte, '0' + c.expected);
        }
    }
}

TEST(InputStringBufferStreamTest, WithoutBufferEverythingIsEmpty)
{
    InputStringBufferStream reader;
    Byte byte = 0;
    EXPECT_EQ(reader.Read(&byte, 1), 0u);
    EXPECT_FALSE(reader.HasMore());
    reader.SetPosition(1);
    reader.SetPositionFromEnd(1);
    reader.Skip(1);
    EXPECT_EQ(reader.GetCurrentPosition(), 0);
}
