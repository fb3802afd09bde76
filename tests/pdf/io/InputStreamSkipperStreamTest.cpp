#include "pdf/io/InputStreamSkipperStream.h"

#include <string>

#include <gtest/gtest.h>

#include "MemoryStreams.h"

using namespace bytestreams_test;

TEST(InputStreamSkipperStreamTest, CountsDeliveredBytesAndSkipsForward)
{
    InputStreamSkipperStream skipper(new MemoryReader(PatternBytes(50)));
    Byte buffer[4];
    ASSERT_EQ(skipper.Read(buffer, 4), 4u);
    EXPECT_EQ(skipper.GetCurrentPosition(), 4);
    EXPECT_TRUE(skipper.CanSkipTo(4));
    EXPECT_TRUE(skipper.CanSkipTo(10));
    EXPECT_FALSE(skipper.CanSkipTo(3));

    skipper.SkipTo(10);
    EXPECT_EQ(skipper.GetCurrentPosition(), 10);
    ASSERT_EQ(skipper.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 10);
}

TEST(InputStreamSkipperStreamTest, SkipToBehindTheCountStaysPut)
{
    InputStreamSkipperStream skipper(new MemoryReader(PatternBytes(50)));
    skipper.SkipTo(20);
    skipper.SkipTo(5);
    EXPECT_EQ(skipper.GetCurrentPosition(), 20);
    Byte byte = 0;
    ASSERT_EQ(skipper.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 20);
}

TEST(InputStreamSkipperStreamTest, SkippingPastTheEndStopsAtTheEnd)
{
    InputStreamSkipperStream skipper(new MemoryReader(PatternBytes(10000)));
    skipper.SkipBy(INT64_MAX);
    EXPECT_EQ(skipper.GetCurrentPosition(), 10000);
    EXPECT_FALSE(skipper.HasMore());
    skipper.SkipBy(-5); // nothing to do
    EXPECT_EQ(skipper.GetCurrentPosition(), 10000);
}

TEST(InputStreamSkipperStreamTest, SourceThatNeverDeliversDoesNotHang)
{
    InputStreamSkipperStream skipper(new StuckReader());
    skipper.SkipTo(1000);
    EXPECT_EQ(skipper.GetCurrentPosition(), 0);
}

TEST(InputStreamSkipperStreamTest, ShortReadsStillSkipExactly)
{
    InputStreamSkipperStream skipper(new MemoryReader(PatternBytes(100), 3));
    skipper.SkipTo(47);
    Byte byte = 0;
    ASSERT_EQ(skipper.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 47);
}

TEST(InputStreamSkipperStreamTest, ResetAndAssignRestartTheCount)
{
    InputStreamSkipperStream skipper;
    EXPECT_FALSE(skipper.HasMore());
    Byte byte = 0;
    EXPECT_EQ(skipper.Read(&byte, 1), 0u);

    skipper.Assign(new MemoryReader("abcdef"));
    skipper.SkipTo(2);
    skipper.Reset();
    EXPECT_EQ(skipper.GetCurrentPosition(), 0);
    skipper.SkipTo(1); // relative to the reset point
    ASSERT_EQ(skipper.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 'd');

    skipper.Assign(new MemoryReader("xyz")); // the first source is freed (ASan checks)
    EXPECT_EQ(skipper.GetCurrentPosition(), 0);
    ASSERT_EQ(skipper.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 'x');
}
