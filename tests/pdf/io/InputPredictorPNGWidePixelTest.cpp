#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "FilterTestDoubles.h"
#include "pdf/io/InputPredictorPNGStreams.h"

// Rows whose pixels are wider than one byte (several colours, 16-bit samples) and rows that
// do not end on a byte boundary. The left and upper-left neighbours are a whole pixel back.

namespace {

struct Layout
{
    long long colors, bits, columns;
};

template <class Predictor>
std::string Decode(const std::string& rows, Layout layout, std::size_t readSize = 4096,
                   std::size_t sourceChunk = SIZE_MAX)
{
    Predictor predictor(new MemoryReader(rows, sourceChunk), layout.colors, layout.bits,
                        layout.columns);
    std::string result = ReadAllFrom(predictor, readSize);
    EXPECT_FALSE(predictor.HasMore());
    return result;
}

int PaethOf(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
}

// A PNG encoder, the inverse of the readers: filters each row of rowBytes bytes with the
// given types in turn, the neighbours pixelBytes back.
std::string PngEncode(const std::string& data, std::size_t rowBytes, std::size_t pixelBytes,
                      const std::string& types)
{
    std::string out;
    std::string above(rowBytes, '\0');
    for (std::size_t start = 0, r = 0; start < data.size(); start += rowBytes, ++r) {
        const std::string row = data.substr(start, rowBytes);
        const int type = types[r % types.size()];
        out.push_back(static_cast<char>(type));
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int x = static_cast<unsigned char>(row[i]);
            const int a = i >= pixelBytes ? static_cast<unsigned char>(row[i - pixelBytes]) : 0;
            const int b = static_cast<unsigned char>(above[i]);
            const int c = i >= pixelBytes ? static_cast<unsigned char>(above[i - pixelBytes]) : 0;
            const int predicted[] = {0, a, b, (a + b) / 2, PaethOf(a, b, c)};
            out.push_back(static_cast<char>((x - predicted[type]) & 0xFF));
        }
        above = row;
    }
    return out;
}

std::string Pattern(std::size_t size)
{
    std::string data;
    for (std::size_t i = 0; i < size; ++i) {
        data.push_back(static_cast<char>((i * 37 + i / 5 * 11) & 0xFF));
    }
    return data;
}

} // namespace

TEST(InputPredictorPNGWidePixelTest, NeighboursAreAWholePixelBack)
{
    struct Case
    {
        const char* what;
        std::string (*decode)(const std::string&, Layout, std::size_t, std::size_t);
        Layout layout;
        std::string rows, expected;
    };
    const Case cases[] = {
        {"Sub, 3 colours: each byte adds the same colour of the pixel before",
         Decode<InputPredictorPNGSubStream>,
         {3, 8, 2},
         Bytes({1, 1, 2, 3, 10, 20, 30}),
         Bytes({1, 2, 3, 11, 22, 33})},
        // Row 1: 10, 20, 30, then 4 + (10 / 2) and so on. Row 2: the first pixel adds half the
        // pixel above; the second half of left (7, 12, 17) plus above (9, 14, 19).
        {"Average, 3 colours",
         Decode<InputPredictorPNGAverageStream>,
         {3, 8, 2},
         Bytes({3, 10, 20, 30, 4, 4, 4, 3, 2, 2, 2, 0, 0, 0}),
         Bytes({10, 20, 30, 9, 14, 19, 7, 12, 17, 8, 13, 18})},
        // Row 1 has no row above: Paeth predicts the left pixel. Row 2's second pixel: a =
        // 11, b = 40, c = 10 gives p = 41, closest to b.
        {"Paeth, 3 colours",
         Decode<InputPredictorPNGPaethStream>,
         {3, 8, 2},
         Bytes({4, 10, 20, 30, 30, 30, 30, 4, 1, 1, 1, 1, 1, 1}),
         Bytes({10, 20, 30, 40, 50, 60, 11, 21, 31, 41, 51, 61})},
        // Bytes are added one by one without carry, the high byte to the high byte.
        {"Sub, 16-bit samples",
         Decode<InputPredictorPNGSubStream>,
         {1, 16, 2},
         Bytes({1, 0x01, 0xFF, 0x00, 0x01}),
         Bytes({0x01, 0xFF, 0x01, 0x00})},
        {"Up, 16-bit samples, two colours: rows of 8 bytes",
         Decode<InputPredictorPNGUpStream>,
         {2, 16, 2},
         Bytes({2, 1, 2, 3, 4, 5, 6, 7, 8, 2, 1, 1, 1, 1, 1, 1, 1, 1}),
         Bytes({1, 2, 3, 4, 5, 6, 7, 8, 2, 3, 4, 5, 6, 7, 8, 9})},
        // 12 bits a pixel round up to 2 bytes back; the row holds 24 bits, 3 bytes.
        {"Sub, 3 colours of 4 bits",
         Decode<InputPredictorPNGSubStream>,
         {3, 4, 2},
         Bytes({1, 1, 2, 3}),
         Bytes({1, 2, 4})},
        // 15 bits fill 2 bytes; pixels of 3 bits are one byte back.
        {"Sub, 1 bit x 3 colours x 5 columns",
         Decode<InputPredictorPNGSubStream>,
         {3, 1, 5},
         Bytes({1, 0x80, 0x01, 1, 0x0F, 0xF0}),
         Bytes({0x80, 0x81, 0x0F, 0xFF})},
        {"Paeth, 2 bits x 1 colour x 3 columns: one byte a row",
         Decode<InputPredictorPNGPaethStream>,
         {1, 2, 3},
         Bytes({4, 5, 4, 1}),
         Bytes({5, 6})},
        {"Optimum, 3 colours, Sub then Up",
         Decode<InputPredictorPNGOptimumStream>,
         {3, 8, 2},
         Bytes({1, 1, 2, 3, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1}),
         Bytes({1, 2, 3, 2, 3, 4, 2, 3, 4, 3, 4, 5})},
        {"None, 16-bit samples",
         Decode<InputPredictorPNGNoneStream>,
         {1, 16, 1},
         Bytes({7, 0xAB, 0xCD, 7, 0x12, 0x34}),
         Bytes({0xAB, 0xCD, 0x12, 0x34})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.decode(c.rows, c.layout, 4096, SIZE_MAX), c.expected);
    }
}

TEST(InputPredictorPNGWidePixelTest, OneBytePixelsDecodeAsWithColumnsAlone)
{
    // Colors 1 x 8 bits and Colors 2 x 4 bits are both one byte a pixel.
    const std::string rows = PngEncode(Pattern(60), 6, 1, "\1\2\3\4\0");
    InputPredictorPNGOptimumStream columnsOnly(new MemoryReader(rows), 6);
    const std::string expected = ReadAllFrom(columnsOnly);
    EXPECT_EQ(expected, Pattern(60));
    EXPECT_EQ(Decode<InputPredictorPNGOptimumStream>(rows, {1, 8, 6}), expected);
    EXPECT_EQ(Decode<InputPredictorPNGOptimumStream>(rows, {2, 4, 6}), expected);
}

TEST(InputPredictorPNGWidePixelTest, EncodedImagesComeBackAtEveryReadSize)
{
    struct Case
    {
        Layout layout;
        std::size_t rowBytes, pixelBytes;
    };
    const Case cases[] = {
        {{3, 8, 7}, 21, 3},  // RGB
        {{4, 8, 3}, 12, 4},  // CMYK
        {{1, 16, 5}, 10, 2}, // 16-bit grey
        {{3, 16, 2}, 12, 6}, // 16-bit RGB
        {{3, 1, 5}, 2, 1},   // 15 bits a row
        {{3, 4, 3}, 5, 2},   // 36 bits a row, 12 a pixel
    };
    for (const Case& c : cases) {
        const std::string image = Pattern(c.rowBytes * 6);
        // Every filter type, in an order that puts each after each other.
        const std::string rows = PngEncode(image, c.rowBytes, c.pixelBytes, "\4\3\1\2\0\4");
        for (std::size_t sourceChunk : {std::size_t{1}, std::size_t{5}, SIZE_MAX}) {
            for (std::size_t readSize = 1; readSize <= image.size() + 1; ++readSize) {
                SCOPED_TRACE("colors " + std::to_string(c.layout.colors) + ", bits " +
                             std::to_string(c.layout.bits) + ", chunk " +
                             std::to_string(sourceChunk) + ", read " + std::to_string(readSize));
                ASSERT_EQ(
                    Decode<InputPredictorPNGOptimumStream>(rows, c.layout, readSize, sourceChunk),
                    image);
            }
        }
    }
}

TEST(InputPredictorPNGWidePixelTest, ShortLastRowOfWidePixelsIsDroppedWithTrace)
{
    TraceCapture trace;
    // Rows of 6 data bytes; the second row lacks its last byte.
    const std::string rows = Bytes({1, 1, 2, 3, 1, 1, 1, 1, 9, 9, 9, 9, 9});
    EXPECT_EQ(Decode<InputPredictorPNGSubStream>(rows, {3, 8, 2}), Bytes({1, 2, 3, 2, 3, 4}));
    EXPECT_TRUE(trace.HasText("InputPredictorPNGSubStream::Read, problem, expected columns "
                              "number read. didn't make it"));
}

TEST(InputPredictorPNGWidePixelTest, UnusablePixelLayoutsAreRefusedWithTrace)
{
    const Layout cases[] = {
        {0, 8, 4},
        {-3, 8, 4},
        {1, 0, 4},
        {1, 3, 4},
        {1, 32, 4},
        {1, -8, 4},
        {LLONG_MAX, 16, 2},                                     // pixel bits overflow
        {LLONG_MAX / 16, 16, 2},                                // row bits overflow
        {4, 16, InputPredictorPNGStream::kMaxColumns},          // row far too long
        {1, 16, InputPredictorPNGStream::kMaxRowBytes / 2 + 1}, // one byte too long
    };
    for (const Layout& layout : cases) {
        SCOPED_TRACE(std::to_string(layout.colors) + " " + std::to_string(layout.bits) + " " +
                     std::to_string(layout.columns));
        TraceCapture trace;
        EXPECT_EQ(Decode<InputPredictorPNGUpStream>(Bytes({2, 1, 1, 1, 1, 1, 1, 1, 1}), layout),
                  "");
        EXPECT_TRUE(trace.HasText(
            "InputPredictorPNGUpStream::Assign, unsupported parameters Colors " +
            std::to_string(layout.colors) + ", BitsPerComponent " + std::to_string(layout.bits) +
            ", Columns " + std::to_string(layout.columns) + ", nothing will be decoded"));
    }
}

TEST(InputPredictorPNGWidePixelTest, RowsAtTheBoundAreAccepted)
{
    // kMaxRowBytes data bytes exactly: accepted, and a short source row is the only complaint.
    TraceCapture trace;
    EXPECT_EQ(Decode<InputPredictorPNGUpStream>(Bytes({2, 1, 2}),
                                                {1, 8, InputPredictorPNGStream::kMaxRowBytes}),
              "");
    EXPECT_EQ(trace.Text().find("unsupported parameters"), std::string::npos);
    EXPECT_TRUE(trace.HasText("InputPredictorPNGUpStream::Read, problem, expected columns number "
                              "read. didn't make it"));
}

TEST(InputPredictorPNGWidePixelTest, ColumnsOutOfRangeKeepTheirOwnMessage)
{
    TraceCapture trace;
    EXPECT_EQ(Decode<InputPredictorPNGPaethStream>(Bytes({4, 1, 1, 1}), {3, 8, 0}), "");
    EXPECT_TRUE(trace.HasText(
        "InputPredictorPNGPaethStream::Assign, invalid Columns value 0, nothing will be decoded"));
}

TEST(InputPredictorPNGWidePixelTest, AssignChangesThePixelWidth)
{
    // Assign hands the previous source back to the caller.
    std::unique_ptr<MemoryReader> first(new MemoryReader(Bytes({1, 1, 1, 1})));
    InputPredictorPNGSubStream predictor(first.get(), 3);
    std::unique_ptr<MemoryReader> second(new MemoryReader(Bytes({1, 1, 2, 3, 1, 1, 1})));
    predictor.Assign(second.get(), 3, 8, 2);
    EXPECT_EQ(ReadAllFrom(predictor), Bytes({1, 2, 3, 2, 3, 4}));

    // And back to one byte a pixel, through the Columns-only Assign; the last source is the
    // reader's to destroy.
    predictor.Assign(new MemoryReader(Bytes({1, 1, 1, 1, 1})), 4);
    EXPECT_EQ(ReadAllFrom(predictor), Bytes({1, 2, 3, 4}));
}
