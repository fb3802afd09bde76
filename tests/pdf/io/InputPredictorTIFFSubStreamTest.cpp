#include "pdf/io/InputPredictorTIFFSubStream.h"

#include <climits>

#include <gtest/gtest.h>

#include "FilterTestDoubles.h"

namespace {
std::string Decode(const std::string& rows, long long colors, long long bits, long long columns,
                   std::size_t readSize = 4096, std::size_t sourceChunk = SIZE_MAX)
{
    InputPredictorTIFFSubStream predictor(new MemoryReader(rows, sourceChunk), colors, bits,
                                          columns);
    std::string result = ReadAllFrom(predictor, readSize);
    EXPECT_FALSE(predictor.HasMore());
    return result;
}
} // namespace

TEST(InputPredictorTIFFSubStreamTest, DecodesHandComputedRows)
{
    struct Case
    {
        const char* what;
        long long colors, bits, columns;
        std::string rows, expected;
    };
    const Case cases[] = {
        {"8 bits, Colors 3: second pixel adds the first", 3, 8, 2, Bytes({10, 20, 250, 1, 2, 10}),
         Bytes({10, 20, 250, 11, 22, 4})},
        {"8 bits, each row starts over", 1, 8, 3, Bytes({5, 1, 1, 7, 1, 1}),
         Bytes({5, 6, 7, 7, 8, 9})},
        {"16 bits, more significant byte first, modulo 65536", 1, 16, 3,
         Bytes({0x01, 0x02, 0x00, 0x01, 0xFF, 0xFF}), Bytes({0x01, 0x02, 0x01, 0x03, 0x01, 0x02})},
        {"16 bits, carry crosses into the high byte", 1, 16, 2, Bytes({0x00, 0xFF, 0x00, 0x01}),
         Bytes({0x00, 0xFF, 0x01, 0x00})},
        // samples 1,0,1,1,0,0,0,0 become 1,1,0,1,1,1,1,1
        {"1 bit", 1, 1, 8, Bytes({0xB0}), Bytes({0xDF})},
        // samples 1,1,3,2 become 1,2,1,3
        {"2 bits", 1, 2, 4, Bytes({0x5E}), Bytes({0x67})},
        // samples 1,2 | 3,15 become 1,2 | 4,1 (Colors 2)
        {"4 bits, Colors 2", 2, 4, 2, Bytes({0x12, 0x3F}), Bytes({0x12, 0x41})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decode(c.rows, c.colors, c.bits, c.columns), c.expected);
    }
}

TEST(InputPredictorTIFFSubStreamTest, EveryReadSizeAndSourceChunkGivesTheSameBytes)
{
    std::string rows;
    for (int r = 0; r < 5; ++r) {
        rows += Bytes({r, 0xFF, 3, 0x80, r * 7, 1});
    }
    const std::string expected = Decode(rows, 3, 16, 1);
    ASSERT_EQ(expected.size(), rows.size());
    for (std::size_t sourceChunk : {std::size_t{1}, std::size_t{5}, SIZE_MAX}) {
        for (std::size_t readSize = 1; readSize <= expected.size() + 1; ++readSize) {
            SCOPED_TRACE("chunk " + std::to_string(sourceChunk) + ", read " +
                         std::to_string(readSize));
            EXPECT_EQ(Decode(rows, 3, 16, 1, readSize, sourceChunk), expected);
        }
    }
}

TEST(InputPredictorTIFFSubStreamTest, UnsupportedParametersAreRefusedWithTrace)
{
    struct Case
    {
        const char* what;
        long long colors, bits, columns;
    };
    const Case cases[] = {
        {"3 bits", 1, 3, 8},
        {"0 bits", 1, 0, 8},
        {"32 bits", 1, 32, 1},
        {"264 bits (8 as a byte)", 1, 264, 1},
        {"no colors", 0, 8, 1},
        {"negative columns", 1, 8, -5},
        {"row not whole bytes", 1, 1, 3},
        {"row above the bound", 1, 8, InputPredictorTIFFSubStream::kMaxRowBytes + 1},
        {"samples overflow", LLONG_MAX / 2, 8, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        EXPECT_EQ(Decode(Bytes({1, 2, 3, 4, 5, 6, 7, 8}), c.colors, c.bits, c.columns), "");
        EXPECT_TRUE(trace.HasText("InputPredictorTIFFSubStream::Assign, unsupported parameters"));
    }
}

TEST(InputPredictorTIFFSubStreamTest, ShortLastRowIsDroppedWithTrace)
{
    TraceCapture trace;
    EXPECT_EQ(Decode(Bytes({1, 1, 1, 2, 2}), 1, 8, 3), Bytes({1, 2, 3}));
    EXPECT_TRUE(trace.HasText(
        "InputPredictorTIFFSubStream::Read, problem, expected row bytes read. didn't make it"));
}

TEST(InputPredictorTIFFSubStreamTest, WithoutSourceDeliversNothing)
{
    InputPredictorTIFFSubStream predictor;
    Byte buffer[4];
    EXPECT_FALSE(predictor.HasMore());
    EXPECT_EQ(predictor.Read(buffer, sizeof(buffer)), 0u);
}
