// Positioning inside the buffered window: a target among the buffered bytes is served from the
// buffer without touching the source; every other target goes to the source. Either way the
// bytes, the position and HasMore must be those of a fresh read from the target.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"
#include "pdf/io/InputBufferedStream.h"

using namespace bytestreams_test;

namespace {

constexpr std::size_t kContentSize = 100;

// Reads the rest of the stream in single bytes, checking the position after each one.
std::string ReadRest(InputBufferedStream& stream, FilePosition start)
{
    std::string result;
    Byte value = 0;
    while (stream.HasMore() && stream.Read(&value, 1) == 1) {
        result.push_back(static_cast<char>(value));
        EXPECT_EQ(stream.GetCurrentPosition(), start + static_cast<FilePosition>(result.size()));
    }
    return result;
}

struct Window
{
    FilePosition start;
    FilePosition end;
};

// Reads `consumed` bytes from the start and reports which source bytes the buffer then holds.
Window PrimeWindow(InputBufferedStream& stream, MemoryReader& source, std::size_t consumed)
{
    std::vector<Byte> sink(consumed);
    EXPECT_EQ(stream.Read(sink.data(), static_cast<IOByteCount>(consumed)), consumed);
    // The source is read from the start without jumps and only its last read can fall
    // short, so the buffered bytes begin where the earlier reads ended.
    FilePosition start = 0;
    const std::vector<IOByteCount>& sizes = source.ReadSizes();
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
        start += sizes[i];
    }
    return Window{start, source.GetCurrentPosition()};
}

} // namespace

TEST(InputBufferedStreamWindowTest, SetPositionAtTheWindowEdgesReadsFromTheTarget)
{
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize = 1; bufferSize <= 33; ++bufferSize) {
        for (std::size_t consumed :
             {std::size_t{1}, std::size_t{bufferSize}, std::size_t{40}, kContentSize - 1}) {
            auto* source = new MemoryReader(content);
            InputBufferedStream probe(source, bufferSize);
            const Window window = PrimeWindow(probe, *source, consumed);
            ASSERT_LT(window.start, window.end);
            for (FilePosition target :
                 {window.start - 1, window.start, window.end - 1, window.end}) {
                if (target < 0) {
                    continue;
                }
                SCOPED_TRACE("buffer size " + std::to_string(bufferSize) + ", consumed " +
                             std::to_string(consumed) + ", window [" +
                             std::to_string(window.start) + ", " + std::to_string(window.end) +
                             "), target " + std::to_string(target));
                auto* reader = new MemoryReader(content);
                InputBufferedStream stream(reader, bufferSize);
                (void)PrimeWindow(stream, *reader, consumed);
                const std::size_t readsBefore = reader->ReadSizes().size();

                stream.SetPosition(target);
                EXPECT_EQ(stream.GetCurrentPosition(), target);
                const bool inside = target >= window.start && target < window.end;
                EXPECT_EQ(stream.HasMore(), static_cast<std::size_t>(target) < kContentSize);
                if (inside) {
                    // The first byte comes from the kept buffer, not from a new source read.
                    Byte first = 0;
                    ASSERT_EQ(stream.Read(&first, 1), 1u);
                    EXPECT_EQ(first, static_cast<Byte>(content[static_cast<std::size_t>(target)]));
                    EXPECT_EQ(reader->ReadSizes().size(), readsBefore);
                    EXPECT_EQ(ReadRest(stream, target + 1),
                              content.substr(static_cast<std::size_t>(target) + 1));
                } else {
                    EXPECT_EQ(ReadRest(stream, target),
                              content.substr(static_cast<std::size_t>(target)));
                }
                EXPECT_FALSE(stream.HasMore());
                EXPECT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(kContentSize));
            }
        }
    }
}

TEST(InputBufferedStreamWindowTest, BackwardJumpsInsideTheWindowThenLargeReadsKeepTheBytesInOrder)
{
    // Descending jumps, as a reader visiting objects stored last-first does, mixed with reads
    // larger than the buffer that bypass it.
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize = 1; bufferSize <= 33; ++bufferSize) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream stream(new MemoryReader(content), bufferSize);
        for (FilePosition target = 95; target >= 0; target -= 7) {
            stream.SetPosition(target);
            ASSERT_EQ(stream.GetCurrentPosition(), target);
            const IOByteCount want = target % 2 == 0 ? 3 : bufferSize + 2;
            std::vector<Byte> piece(want);
            const IOByteCount got = stream.Read(piece.data(), want);
            const std::string expected = content.substr(static_cast<std::size_t>(target), want);
            ASSERT_EQ(got, expected.size());
            EXPECT_EQ(std::string(piece.begin(), piece.begin() + got), expected);
            EXPECT_EQ(stream.GetCurrentPosition(), target + static_cast<FilePosition>(got));
        }
    }
}

TEST(InputBufferedStreamWindowTest, TargetsOutsideTheContentBehaveAsTheSourceDoes)
{
    // Before the start and past the end are never inside the window; the source clamps them.
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize : {IOByteCount{1}, IOByteCount{16}, IOByteCount{200}}) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        InputBufferedStream stream(new MemoryReader(content), bufferSize);
        Byte value = 0;
        ASSERT_EQ(stream.Read(&value, 1), 1u);
        stream.SetPosition(-5);
        EXPECT_EQ(stream.GetCurrentPosition(), 0);
        EXPECT_EQ(ReadRest(stream, 0), content);
        stream.SetPosition(static_cast<FilePosition>(kContentSize) + 10);
        EXPECT_FALSE(stream.HasMore());
        EXPECT_EQ(stream.GetCurrentPosition(), static_cast<FilePosition>(kContentSize));
    }
}

TEST(InputBufferedStreamWindowTest, SkipWithinAndBeyondTheBufferLandsWhereSetPositionDoes)
{
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize = 1; bufferSize <= 33; ++bufferSize) {
        for (IOByteCount skip :
             {IOByteCount{0}, IOByteCount{1}, bufferSize - 1, bufferSize, bufferSize + 1}) {
            SCOPED_TRACE("buffer size " + std::to_string(bufferSize) + ", skip " +
                         std::to_string(skip));
            InputBufferedStream stream(new MemoryReader(content), bufferSize);
            Byte value = 0;
            ASSERT_EQ(stream.Read(&value, 1), 1u);
            stream.Skip(skip);
            const FilePosition expected = 1 + static_cast<FilePosition>(skip);
            EXPECT_EQ(stream.GetCurrentPosition(), expected);
            EXPECT_EQ(ReadRest(stream, expected),
                      content.substr(static_cast<std::size_t>(expected)));
        }
    }
}

TEST(InputBufferedStreamWindowTest, WalkingBackwardsRefillsOncePerBufferNotPerJump)
{
    // Objects stored last-first: each jump lands a little before the previous one. After a
    // jump before the window the buffer holds mostly the bytes before it, so the following
    // jumps are served without the source.
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize = 16; bufferSize <= 33; ++bufferSize) {
        SCOPED_TRACE("buffer size " + std::to_string(bufferSize));
        auto* reader = new MemoryReader(content);
        InputBufferedStream stream(reader, bufferSize);
        std::size_t jumps = 0;
        for (FilePosition target = 98; target >= 0; target -= 2, ++jumps) {
            stream.SetPosition(target);
            ASSERT_EQ(stream.GetCurrentPosition(), target);
            Byte piece[2] = {};
            ASSERT_EQ(stream.Read(piece, 2), 2u);
            EXPECT_EQ(std::string(piece, piece + 2),
                      content.substr(static_cast<std::size_t>(target), 2));
        }
        // Without refilling around the target every jump would read the source once.
        EXPECT_LE(reader->ReadSizes().size(), jumps / 3);
    }
}

TEST(InputBufferedStreamWindowTest, JumpBeforeTheWindowFromAShortReadingSourceStillReadsRight)
{
    // A source that delivers at most 3 bytes per read cannot fill the buffer up to a target far
    // into it; the stream then falls back to reading from the target itself.
    const std::string content = PatternBytes(kContentSize);
    for (IOByteCount bufferSize = 1; bufferSize <= 33; ++bufferSize) {
        for (FilePosition back = 1; back <= static_cast<FilePosition>(bufferSize) + 1; ++back) {
            SCOPED_TRACE("buffer size " + std::to_string(bufferSize) + ", back " +
                         std::to_string(back));
            InputBufferedStream stream(new MemoryReader(content, 3), bufferSize);
            stream.SetPosition(60);
            Byte value = 0;
            ASSERT_EQ(stream.Read(&value, 1), 1u);
            const FilePosition target = 60 - back;
            stream.SetPosition(target);
            EXPECT_EQ(stream.GetCurrentPosition(), target);
            EXPECT_TRUE(stream.HasMore());
            EXPECT_EQ(ReadRest(stream, target), content.substr(static_cast<std::size_t>(target)));
        }
    }
}
