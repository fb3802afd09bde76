#include "pdf/io/InputLimitedStream.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"

using namespace bytestreams_test;

namespace {

std::string Drain(IByteReader& reader, IOByteCount readSize)
{
    std::string result;
    std::vector<Byte> piece(readSize);
    for (int guard = 0; reader.HasMore() && guard < 1000; ++guard) {
        IOByteCount read = reader.Read(piece.data(), readSize);
        result.append(reinterpret_cast<const char*>(piece.data()), read);
    }
    return result;
}

} // namespace

TEST(InputLimitedStreamTest, DeliversAtMostTheLimitForEveryReadSize)
{
    const std::string content = PatternBytes(100);
    for (IOByteCount readSize = 1; readSize <= 7; ++readSize) {
        SCOPED_TRACE(readSize);
        MemoryReader source(content);
        InputLimitedStream limited(&source, 5, false);
        EXPECT_EQ(Drain(limited, readSize), content.substr(0, 5));
        EXPECT_FALSE(limited.HasMore());
        EXPECT_TRUE(source.HasMore());
        EXPECT_EQ(source.GetCurrentPosition(), 5); // never read past the limit
    }
}

TEST(InputLimitedStreamTest, ZeroOrNegativeLimitReadsNothing)
{
    for (FilePosition limit : {FilePosition{0}, FilePosition{-1}, INT64_MIN}) {
        SCOPED_TRACE(limit);
        MemoryReader source("abc");
        InputLimitedStream limited(&source, limit, false);
        Byte byte = 0;
        EXPECT_FALSE(limited.HasMore());
        EXPECT_EQ(limited.Read(&byte, 1), 0u);
        EXPECT_EQ(source.GetCurrentPosition(), 0);
    }
}

TEST(InputLimitedStreamTest, LimitBeyondSourceEndsWithSource)
{
    MemoryReader source("abc");
    InputLimitedStream limited(&source, INT64_MAX, false);
    EXPECT_EQ(Drain(limited, 2), "abc");
    EXPECT_FALSE(limited.HasMore());
}

TEST(InputLimitedStreamTest, OwnedSourceIsDestroyedAndReassignedOneKept)
{
    // ASan reports a leak if an owned source is not destroyed, and a double free if the
    // reassigned one is.
    auto* source = new MemoryReader("abcdef");
    InputLimitedStream limited(source, 2, true);
    limited.Assign(source, 4, true);
    EXPECT_EQ(Drain(limited, 3), "abcd");

    InputLimitedStream empty;
    EXPECT_FALSE(empty.HasMore());
    Byte byte = 0;
    EXPECT_EQ(empty.Read(&byte, 1), 0u);
    empty.Assign(new MemoryReader("z"), 1, true);
    EXPECT_EQ(Drain(empty, 1), "z");
}
