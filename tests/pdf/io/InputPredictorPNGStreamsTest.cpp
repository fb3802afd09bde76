#include "pdf/io/InputPredictorPNGStreams.h"

#include <algorithm>
#include <climits>

#include <gtest/gtest.h>

#include "FilterTestDoubles.h"

namespace {
template <class Predictor>
std::string Decode(const std::string& rows, long long columns, std::size_t readSize = 4096,
                   std::size_t sourceChunk = SIZE_MAX, bool lieAboutEnd = false)
{
    Predictor predictor(new MemoryReader(rows, sourceChunk, lieAboutEnd), columns);
    std::string result = ReadAllFrom(predictor, readSize);
    EXPECT_FALSE(predictor.HasMore());
    return result;
}
} // namespace

TEST(InputPredictorPNGStreamsTest, EachFixedFilterDecodesHandComputedRows)
{
    struct Case
    {
        const char* what;
        std::string (*decode)(const std::string&, long long, std::size_t, std::size_t, bool);
        std::string rows, expected;
    };
    // Every row: a filter-type byte (ignored by these readers), then three data bytes.
    const Case cases[] = {
        {"None keeps the bytes", Decode<InputPredictorPNGNoneStream>,
         Bytes({9, 1, 2, 3, 2, 4, 5, 6}), Bytes({1, 2, 3, 4, 5, 6})},
        {"Sub adds the left byte, modulo 256", Decode<InputPredictorPNGSubStream>,
         Bytes({0, 1, 2, 3, 0, 200, 100, 1}), Bytes({1, 3, 6, 200, 44, 45})},
        {"Up adds the byte above; first row as read", Decode<InputPredictorPNGUpStream>,
         Bytes({2, 1, 2, 255, 2, 1, 1, 1}), Bytes({1, 2, 255, 2, 3, 0})},
        {"Average: left 1 and above 1 add 1", Decode<InputPredictorPNGAverageStream>,
         Bytes({3, 1, 0, 0, 3, 0, 0, 0}), Bytes({1, 0, 0, 0, 0, 0})},
        {"Average first row halves the left byte", Decode<InputPredictorPNGAverageStream>,
         Bytes({3, 10, 20, 1}), Bytes({10, 25, 13})},
        // Row 1 decodes to 255, 255, 127; row 2's first byte: 128 + 255 / 2 = 255; its
        // second byte has left 255 and above 255, which adds 255 (not 127 as a byte sum
        // would); its third: 0 + (0 + 127) / 2.
        {"Average: left 255 and above 255 add 255", Decode<InputPredictorPNGAverageStream>,
         Bytes({3, 255, 128, 0, 3, 128, 1, 0}), Bytes({255, 255, 127, 255, 0, 63})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.decode(c.rows, 3, 4096, SIZE_MAX, false), c.expected);
    }
}

TEST(InputPredictorPNGStreamsTest, UpWithColumnsFiveAddsTheRowAbove)
{
    // The shape of a cross-reference stream: Predictor 12, Columns 5.
    std::string rows = Bytes({2, 1, 0, 16, 0, 0, 2, 0, 0, 1, 0, 0, 2, 0, 0, 1, 0, 0});
    EXPECT_EQ(Decode<InputPredictorPNGUpStream>(rows, 5),
              Bytes({1, 0, 16, 0, 0, 1, 0, 17, 0, 0, 1, 0, 18, 0, 0}));
}

TEST(InputPredictorPNGStreamsTest, PaethPicksNeighboursByTheTieRules)
{
    struct Case
    {
        int a, b, c, predicted;
    };
    const Case cases[] = {
        {100, 200, 0, 200}, // pb smallest: b
        {0, 30, 20, 0},     // pa equals pc, below pb: a wins
        {0, 30, 10, 30},    // pb equals pc, below pa: b wins over c
        {20, 0, 10, 10},    // pc smallest: c
        {10, 10, 10, 10},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("a=" + std::to_string(k.a) + " b=" + std::to_string(k.b) +
                     " c=" + std::to_string(k.c));
        // Row 1 decodes to c, b; row 2's first byte decodes to a (its predictor is the
        // byte above, c), its second byte is 1 plus the prediction from a, b and c.
        std::string rows = Bytes({4, k.c, (k.b - k.c) & 0xFF, 4, (k.a - k.c) & 0xFF, 1});
        EXPECT_EQ(Decode<InputPredictorPNGPaethStream>(rows, 2),
                  Bytes({k.c, k.b, k.a, (k.predicted + 1) & 0xFF}));
    }
}

TEST(InputPredictorPNGStreamsTest, OptimumSwitchesFilterPerRow)
{
    std::string rows = Bytes({1, 1, 1, 1,   // Sub
                              2, 1, 1, 1,   // Up
                              0, 9, 9, 9,   // None
                              3, 2, 2, 2,   // Average
                              4, 1, 1, 1}); // Paeth
    // Paeth row above is 6, 9, 11: first byte predicts b=6; then a=7,b=9,c=6 gives p=10,
    // b closest: 10; then a=10,b=11,c=9 gives p=12, b closest: 12.
    EXPECT_EQ(Decode<InputPredictorPNGOptimumStream>(rows, 3),
              Bytes({1, 2, 3, 2, 3, 4, 9, 9, 9, 6, 9, 11, 7, 10, 12}));
}

TEST(InputPredictorPNGStreamsTest, OptimumRowOfUnknownTypeStopsWithTrace)
{
    TraceCapture trace;
    std::string rows = Bytes({0, 1, 2, 5, 3, 4, 0, 5, 6});
    EXPECT_EQ(Decode<InputPredictorPNGOptimumStream>(rows, 2), Bytes({1, 2}));
    EXPECT_TRUE(trace.HasText("InputPredictorPNGOptimumStream::Read, unknown row filter type 5, "
                              "nothing more will be decoded"));
}

TEST(InputPredictorPNGStreamsTest, EveryReadSizeAndSourceChunkGivesTheSameBytes)
{
    std::string rows;
    for (int r = 0; r < 7; ++r) {
        rows += Bytes({4, r * 3, 250, r, 7, 128 + r});
    }
    const std::string expected = Decode<InputPredictorPNGPaethStream>(rows, 5);
    ASSERT_EQ(expected.size(), 35u);
    for (std::size_t sourceChunk : {std::size_t{1}, std::size_t{4}, SIZE_MAX}) {
        for (std::size_t readSize = 1; readSize <= expected.size() + 1; ++readSize) {
            SCOPED_TRACE("chunk " + std::to_string(sourceChunk) + ", read " +
                         std::to_string(readSize));
            EXPECT_EQ(Decode<InputPredictorPNGPaethStream>(rows, 5, readSize, sourceChunk),
                      expected);
            EXPECT_EQ(Decode<InputPredictorPNGPaethStream>(rows, 5, readSize, SIZE_MAX, true),
                      expected);
        }
    }
}

TEST(InputPredictorPNGStreamsTest, ShortLastRowIsDroppedWithTrace)
{
    TraceCapture trace;
    std::string rows = Bytes({2, 1, 2, 3, 2, 1, 1}); // second row lacks a byte
    EXPECT_EQ(Decode<InputPredictorPNGUpStream>(rows, 3), Bytes({1, 2, 3}));
    EXPECT_TRUE(trace.HasText("InputPredictorPNGUpStream::Read, problem, expected columns number "
                              "read. didn't make it"));
}

TEST(InputPredictorPNGStreamsTest, UnusableColumnsAreRefusedWithTrace)
{
    for (long long columns : {0LL, -1LL, InputPredictorPNGStream::kMaxColumns + 1, LLONG_MAX}) {
        SCOPED_TRACE(columns);
        TraceCapture trace;
        EXPECT_EQ(Decode<InputPredictorPNGSubStream>(Bytes({1, 1, 1}), columns), "");
        EXPECT_TRUE(trace.HasText("InputPredictorPNGSubStream::Assign, invalid Columns value " +
                                  std::to_string(columns) + ", nothing will be decoded"));
    }
}

TEST(InputPredictorPNGStreamsTest, AssignStartsOverWithNewColumns)
{
    auto* first = new MemoryReader(Bytes({1, 1, 1}));
    InputPredictorPNGSubStream predictor(first, 2);
    predictor.Assign(new MemoryReader(Bytes({1, 1, 1, 1})), 3);
    delete first; // Assign hands the previous source back to the caller
    EXPECT_EQ(ReadAllFrom(predictor), Bytes({1, 2, 3}));

    InputPredictorPNGNoneStream empty;
    EXPECT_FALSE(empty.HasMore());
}

// Each reader names itself in its trace lines, whichever filter it undoes; a source that ends
// exactly between rows is a normal end and traces nothing.
TEST(InputPredictorPNGStreamsTest, EachReaderNamesItselfInTraceLines)
{
    struct Case
    {
        const char* name;
        std::string (*decode)(const std::string&, long long, std::size_t, std::size_t, bool);
    };
    const Case cases[] = {
        {"InputPredictorPNGNoneStream", Decode<InputPredictorPNGNoneStream>},
        {"InputPredictorPNGSubStream", Decode<InputPredictorPNGSubStream>},
        {"InputPredictorPNGUpStream", Decode<InputPredictorPNGUpStream>},
        {"InputPredictorPNGAverageStream", Decode<InputPredictorPNGAverageStream>},
        {"InputPredictorPNGPaethStream", Decode<InputPredictorPNGPaethStream>},
        {"InputPredictorPNGOptimumStream", Decode<InputPredictorPNGOptimumStream>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            TraceCapture trace;
            EXPECT_EQ(c.decode(Bytes({0, 7, 0, 7}), 0, 4096, SIZE_MAX, false), "");
            EXPECT_TRUE(trace.HasText(std::string(c.name) + "::Assign, invalid Columns value "
                                                            "0, nothing will be decoded"));
            EXPECT_EQ(std::count(trace.Text().begin(), trace.Text().end(), '\n'), 1);
        }
        {
            TraceCapture trace;
            EXPECT_EQ(c.decode(Bytes({0, 7}), 1, 4096, SIZE_MAX, false), Bytes({7}));
            EXPECT_EQ(trace.Text(), "");
        }
        {
            TraceCapture trace;
            EXPECT_EQ(c.decode(Bytes({0, 0, 0, 0, 0}), 2, 4096, SIZE_MAX, false), Bytes({0, 0}));
            EXPECT_TRUE(trace.HasText(std::string(c.name) + "::Read, problem, expected columns "
                                                            "number read. didn't make it"));
            EXPECT_EQ(std::count(trace.Text().begin(), trace.Text().end(), '\n'), 1);
        }
    }
}
