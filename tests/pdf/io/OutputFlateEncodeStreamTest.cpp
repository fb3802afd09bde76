#include "pdf/io/OutputFlateEncodeStream.h"

#include <cstdint>

#include <gtest/gtest.h>
#include <zlib.h>

#include "FilterTestDoubles.h"
#include "pdf/io/InputFlateDecodeStream.h"

namespace {
std::string Encode(const std::string& plain, std::size_t writeSize)
{
    std::string out;
    {
        OutputFlateEncodeStream encoder(new MemoryWriter(&out), true);
        for (std::size_t at = 0; at < plain.size(); at += writeSize) {
            std::size_t n = std::min(writeSize, plain.size() - at);
            EXPECT_EQ(encoder.Write(reinterpret_cast<const Byte*>(plain.data() + at),
                                    static_cast<IOByteCount>(n)),
                      n);
        }
    }
    return out;
}

// Several megabytes that compress neither too well nor not at all.
std::string MultiMegabyteData()
{
    std::string data;
    std::uint32_t state = 12345;
    while (data.size() < 3 * 1024 * 1024 + 17) {
        state = state * 1103515245u + 12345u;
        if ((state >> 28) < 4) {
            data += "repeated phrase, ";
        } else {
            data.push_back(static_cast<char>(state >> 16));
        }
    }
    return data;
}

// Inflates with zlib directly: a check that does not depend on our own decoder.
std::string InflateWithZLib(const std::string& compressed, std::size_t expectedSize)
{
    std::string out(expectedSize + 1, '\0');
    uLongf outSize = static_cast<uLongf>(out.size());
    int status = uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                            reinterpret_cast<const Bytef*>(compressed.data()),
                            static_cast<uLong>(compressed.size()));
    EXPECT_EQ(status, Z_OK);
    out.resize(outSize);
    return out;
}
} // namespace

TEST(OutputFlateEncodeStreamTest, NothingWrittenStillGivesACompleteEmptyStream)
{
    EXPECT_EQ(Encode("", 1), Bytes({0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
}

TEST(OutputFlateEncodeStreamTest, MatchesAnotherEncoderAtTheDefaultLevel)
{
    // Produced once with Python's zlib.compress at level 6.
    const std::string expected =
        Bytes({0x78, 0x9c, 0x4b, 0x4c, 0x4a, 0x4e, 0xc4, 0x86, 0x14, 0xd2, 0x32, 0x73, 0x4a,
               0x52, 0x8b, 0x14, 0x4a, 0x52, 0x8b, 0x4b, 0x00, 0xfc, 0xfc, 0x0d, 0xb7});
    EXPECT_EQ(Encode("abcabcabcabcabcabcabcabc filter test", 5), expected);
}

TEST(OutputFlateEncodeStreamTest, RoundTripsThroughTheDecoder)
{
    struct RoundTrip
    {
        const char* what;
        std::string plain;
        std::size_t writeSize;
    };
    const RoundTrip cases[] = {
        {"empty", "", 1},
        {"small", "stream data\r\nendstream", 3},
        {"multi-megabyte, large writes", MultiMegabyteData(), 1000000},
        {"multi-megabyte, odd writes", MultiMegabyteData(), 262143},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.what);
        std::string compressed = Encode(c.plain, c.writeSize);
        EXPECT_EQ(InflateWithZLib(compressed, c.plain.size()), c.plain);
        for (std::size_t readSize : {std::size_t{1}, std::size_t{4093}, std::size_t{1} << 20}) {
            if (readSize == 1 && c.plain.size() > 100000) {
                continue; // byte-wise reads of megabytes add time, not coverage
            }
            InputFlateDecodeStream decoder(new MemoryReader(compressed));
            EXPECT_EQ(ReadAllFrom(decoder, readSize), c.plain);
        }
    }
}

TEST(OutputFlateEncodeStreamTest, TargetTakingFewerBytesGivesTraceAndZero)
{
    TraceCapture trace;
    std::string out;
    OutputFlateEncodeStream encoder(new MemoryWriter(&out, 10), true);
    std::string plain = MultiMegabyteData();
    EXPECT_EQ(encoder.Write(reinterpret_cast<const Byte*>(plain.data()),
                            static_cast<IOByteCount>(plain.size())),
              0u);
    EXPECT_TRUE(trace.HasText("OutputFlateEncodeStream::EncodeBufferAndWrite, Failed to write the "
                              "desired amount of zlib bytes to underlying stream. supposed to "
                              "write 262144, wrote 10"));
    EXPECT_EQ(out.size(), 10u);
}

TEST(OutputFlateEncodeStreamTest, TargetTakingFewerBytesAtTheEndGivesTrace)
{
    TraceCapture trace;
    std::string out;
    {
        OutputFlateEncodeStream encoder(new MemoryWriter(&out, 5), true);
    }
    EXPECT_TRUE(trace.HasText("OutputFlateEncodeStream::FinalizeEncoding, Failed to write the "
                              "desired amount of zlib bytes to underlying stream. supposed to "
                              "write 8, wrote 5"));
}

TEST(OutputFlateEncodeStreamTest, AssignNullFinishesTheStreamAndDetaches)
{
    std::string out;
    auto* target = new MemoryWriter(&out);
    OutputFlateEncodeStream encoder(target, true);
    ASSERT_EQ(encoder.Write(reinterpret_cast<const Byte*>("abc"), 3), 3u);
    encoder.Assign(nullptr, false);
    EXPECT_EQ(InflateWithZLib(out, 3), "abc");
    EXPECT_EQ(target->GetCurrentPosition(), static_cast<FilePosition>(out.size()));
    EXPECT_EQ(encoder.GetCurrentPosition(), 0);
    EXPECT_EQ(encoder.Write(reinterpret_cast<const Byte*>("x"), 1), 0u);
    delete target; // detached: the caller owns it again
}

TEST(OutputFlateEncodeStreamTest, PositionIsTheCompressedByteCount)
{
    std::string out;
    OutputFlateEncodeStream encoder(new MemoryWriter(&out), true);
    EXPECT_EQ(encoder.GetCurrentPosition(), 0);
    std::string plain = MultiMegabyteData();
    ASSERT_EQ(encoder.Write(reinterpret_cast<const Byte*>(plain.data()),
                            static_cast<IOByteCount>(plain.size())),
              plain.size());
    EXPECT_GT(encoder.GetCurrentPosition(), 0);
    EXPECT_EQ(encoder.GetCurrentPosition(), static_cast<FilePosition>(out.size()));
}

TEST(OutputFlateEncodeStreamTest, WithoutEncodingWritesPassThrough)
{
    std::string out;
    {
        OutputFlateEncodeStream encoder(new MemoryWriter(&out), false);
        EXPECT_EQ(encoder.Write(reinterpret_cast<const Byte*>("plain"), 5), 5u);
        EXPECT_EQ(encoder.GetCurrentPosition(), 5);
    }
    EXPECT_EQ(out, "plain");
}
