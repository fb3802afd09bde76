#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/InputFile.h"
#include "pdf/io/InputFileStream.h"
#include "pdf/io/OutputFile.h"
#include "pdf/io/OutputFileStream.h"
#include "platform/Platform.h"

using namespace bytestreams_test;

namespace {

std::string ReadAll(IByteReaderWithPosition* stream)
{
    std::string result;
    Byte piece[7];
    while (stream->HasMore()) {
        IOByteCount read = stream->Read(piece, sizeof(piece));
        result.append(reinterpret_cast<const char*>(piece), read);
        if (read == 0) {
            break;
        }
    }
    return result;
}

// Writes count pattern bytes in pieces of 1 MiB and a short last one, as the buffered writer
// passes them on; returns them for comparing with the file.
std::string WritePattern(OutputFileStream& stream, std::size_t count)
{
    const std::string content = PatternBytes(count);
    for (std::size_t at = 0; at < count; at += std::size_t{1} << 20) {
        const IOByteCount piece =
            static_cast<IOByteCount>(std::min<std::size_t>(std::size_t{1} << 20, count - at));
        EXPECT_EQ(stream.Write(AsBytes(content) + at, piece), piece);
    }
    return content;
}

constexpr std::size_t kInterval = OutputFileStream::kFlushBehindInterval;

} // namespace

TEST(InputFileTest, ShortFileReadsWholeAndThenHasNoMore)
{
    TempFolder folder;
    const std::string path = folder.PathOf("ten.bin");
    TempFolder::WriteFile(path, "0123456789");
    InputFile file;
    ASSERT_EQ(file.OpenFile(path), Success);
    EXPECT_EQ(file.GetFilePath(), path);
    EXPECT_EQ(file.GetFileSize(), 10);
    Byte buffer[100];
    EXPECT_EQ(file.GetInputStream()->Read(buffer, 100), 10u);
    EXPECT_EQ(std::string(buffer, buffer + 10), "0123456789");
    EXPECT_FALSE(file.GetInputStream()->HasMore());
    EXPECT_EQ(file.CloseFile(), Success);
    EXPECT_EQ(file.GetInputStream(), nullptr);
}

TEST(InputFileTest, GetFileSizeKeepsTheReadPosition)
{
    TempFolder folder;
    const std::string path = folder.PathOf("size.bin");
    const std::string content = PatternBytes(300000); // more than one buffer
    TempFolder::WriteFile(path, content);
    InputFile file;
    ASSERT_EQ(file.OpenFile(path), Success);
    std::vector<Byte> head(3);
    ASSERT_EQ(file.GetInputStream()->Read(head.data(), 3), 3u);
    EXPECT_EQ(file.GetFileSize(), 300000);
    EXPECT_EQ(file.GetInputStream()->GetCurrentPosition(), 3);
    EXPECT_EQ(ReadAll(file.GetInputStream()), content.substr(3));
}

TEST(InputFileTest, MissingFileFailsWithTraceAndKeepsOldPath)
{
    TempFolder folder;
    const std::string good = folder.PathOf("good.bin");
    const std::string missing = folder.PathOf("missing.bin");
    TempFolder::WriteFile(good, "x");
    InputFile file;
    ASSERT_EQ(file.OpenFile(good), Success);
    TraceCapture trace;
    EXPECT_EQ(file.OpenFile(missing), Failure);
    EXPECT_EQ(
        trace.Lines(),
        std::vector<std::string>{
            "InputFile::OpenFile, Unexpected Failure. Cannot open file for reading - " + missing});
    EXPECT_EQ(file.GetInputStream(), nullptr);
    EXPECT_EQ(file.GetFileSize(), 0);
    EXPECT_EQ(file.GetFilePath(), good);
}

TEST(InputFileTest, ClosedFileIsHarmless)
{
    InputFile file;
    EXPECT_EQ(file.CloseFile(), Success);
    EXPECT_EQ(file.GetInputStream(), nullptr);
    EXPECT_EQ(file.GetFileSize(), 0);
    EXPECT_EQ(file.GetFilePath(), "");
}

TEST(InputFileTest, OpeningAnotherFileReplacesTheFirst)
{
    TempFolder folder;
    TempFolder::WriteFile(folder.PathOf("a"), "first");
    TempFolder::WriteFile(folder.PathOf("b"), "second");
    InputFile file;
    ASSERT_EQ(file.OpenFile(folder.PathOf("a")), Success);
    ASSERT_EQ(file.OpenFile(folder.PathOf("b")), Success);
    EXPECT_EQ(ReadAll(file.GetInputStream()), "second");
}

TEST(InputFileStreamTest, PositioningFromEndAndSkip)
{
    TempFolder folder;
    const std::string path = folder.PathOf("pos.bin");
    TempFolder::WriteFile(path, "0123456789");
    InputFileStream stream;
    ASSERT_EQ(stream.Open(path), Success);
    struct Case
    {
        FilePosition fromEnd, expected;
    };
    for (const Case& c : {Case{0, 10}, Case{3, 7}, Case{10, 0}, Case{11, 0}, Case{-5, 0},
                          Case{INT64_MIN, 0}, Case{INT64_MAX, 0}}) {
        SCOPED_TRACE(c.fromEnd);
        stream.SetPosition(4);
        stream.SetPositionFromEnd(c.fromEnd);
        EXPECT_EQ(stream.GetCurrentPosition(), c.expected);
    }
    stream.SetPosition(2);
    stream.Skip(5);
    Byte byte = 0;
    ASSERT_EQ(stream.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, '7');
}

TEST(InputFileStreamTest, SeekAfterEndMakesMoreAvailableAgain)
{
    TempFolder folder;
    const std::string path = folder.PathOf("eof.bin");
    TempFolder::WriteFile(path, "ab");
    InputFileStream stream(path);
    Byte buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 2u);
    EXPECT_FALSE(stream.HasMore());
    stream.SetPosition(1);
    EXPECT_TRUE(stream.HasMore());
    EXPECT_EQ(stream.Read(buffer, 4), 1u);
    EXPECT_EQ(buffer[0], 'b');
}

TEST(InputFileStreamTest, ClosedStreamDoesNothing)
{
    InputFileStream stream;
    Byte byte = 0;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_FALSE(stream.HasMore());
    stream.SetPosition(3);
    stream.SetPositionFromEnd(3);
    stream.Skip(3);
    EXPECT_EQ(stream.GetCurrentPosition(), 0);
    EXPECT_EQ(stream.GetFileSize(), 0);
    EXPECT_EQ(stream.Close(), Success);
    OutputFileStream output;
    EXPECT_EQ(output.Write(&byte, 1), 0u);
    EXPECT_EQ(output.GetCurrentPosition(), 0);
    EXPECT_EQ(output.FlushToDisk(), Failure);
    EXPECT_EQ(output.Close(), Success);
}

TEST(OutputFileTest, AppendStartsAtTheFileSizeAndKeepsTheContent)
{
    TempFolder folder;
    const std::string path = folder.PathOf("append.bin");
    const std::string old = PatternBytes(1000);
    TempFolder::WriteFile(path, old);
    OutputFile file;
    ASSERT_EQ(file.OpenFile(path, true), Success);
    EXPECT_EQ(file.GetOutputStream()->GetCurrentPosition(), 1000);
    EXPECT_EQ(file.GetOutputStream()->Write(AsBytes("tail"), 4), 4u);
    EXPECT_EQ(file.GetOutputStream()->GetCurrentPosition(), 1004);
    EXPECT_EQ(file.CloseFile(), Success);
    EXPECT_EQ(TempFolder::ReadFile(path), old + "tail");
}

TEST(OutputFileTest, WithoutAppendTheFileIsReplaced)
{
    TempFolder folder;
    const std::string path = folder.PathOf("replace.bin");
    TempFolder::WriteFile(path, "old content");
    OutputFile file;
    ASSERT_EQ(file.OpenFile(path, false), Success);
    EXPECT_EQ(file.GetOutputStream()->GetCurrentPosition(), 0);
    EXPECT_EQ(file.GetOutputStream()->Write(AsBytes("new"), 3), 3u);
    EXPECT_EQ(file.CloseFile(), Success);
    EXPECT_EQ(TempFolder::ReadFile(path), "new");
    EXPECT_EQ(file.GetFilePath(), path);
}

TEST(OutputFileTest, BufferPlusOneWritesOneBufferAtOnceAndAllOnClose)
{
    TempFolder folder;
    const std::string path = folder.PathOf("big.bin");
    const std::string content = PatternBytes(262145);
    OutputFile file;
    ASSERT_EQ(file.OpenFile(path), Success);
    EXPECT_EQ(file.GetOutputStream()->Write(AsBytes(content), 262145), 262145u);
    EXPECT_EQ(file.GetOutputStream()->GetCurrentPosition(), 262145);
    EXPECT_EQ(TempFolder::ReadFile(path).size(), 262144u);
    EXPECT_EQ(file.CloseFile(), Success);
    EXPECT_EQ(TempFolder::ReadFile(path), content);
}

TEST(OutputFileTest, FlushToDiskPutsBufferedBytesInTheFile)
{
    TempFolder folder;
    const std::string path = folder.PathOf("durable.bin");
    OutputFile file;
    EXPECT_EQ(file.FlushToDisk(), Failure); // nothing open
    ASSERT_EQ(file.OpenFile(path), Success);
    EXPECT_EQ(file.GetOutputStream()->Write(AsBytes("abc"), 3), 3u);
    EXPECT_EQ(file.FlushToDisk(), Success);
    EXPECT_EQ(TempFolder::ReadFile(path), "abc");
    EXPECT_EQ(file.CloseFile(), Success);
}

TEST(OutputFileTest, UnopenablePathFailsWithTrace)
{
    TempFolder folder;
    const std::string path = folder.PathOf("no-such-folder") + platform::kPathSeparator + "x";
    OutputFile file;
    TraceCapture trace;
    EXPECT_EQ(file.OpenFile(path), Failure);
    EXPECT_EQ(
        trace.Lines(),
        std::vector<std::string>{
            "OutputFile::OpenFile, Unexpected Failure. Cannot open file for writing - " + path});
    EXPECT_EQ(file.GetOutputStream(), nullptr);
    EXPECT_EQ(file.CloseFile(), Success);
}

TEST(OutputFileTest, CloseReportsBytesTheDeviceRefused)
{
    if (!platform::PathExists("/dev/full")) {
        GTEST_SKIP() << "needs a device that refuses every write";
    }
    OutputFile file;
    ASSERT_EQ(file.OpenFile("/dev/full"), Success);
    EXPECT_EQ(file.GetOutputStream()->Write(AsBytes("lost"), 4), 4u);
    EXPECT_EQ(file.CloseFile(), Failure);
    EXPECT_EQ(file.GetOutputStream(), nullptr);
}

TEST(OutputFileStreamTest, FlushToDiskReportsWhatTheBackgroundFlushesMet)
{
    struct Case
    {
        const char* what;
        bool backgroundResult;
        StatusCode expected;
    };
    for (const Case& c : {Case{"every background flush succeeds", true, Success},
                          Case{"a background flush fails", false, Failure}}) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string path = folder.PathOf("behind.bin");
        std::atomic<int> calls{0};
        OutputFileStream stream;
        ASSERT_EQ(stream.Open(path, false), Success);
        stream.EnableFlushBehind([&calls, &c]() {
            ++calls;
            return c.backgroundResult;
        });
        const std::string content = WritePattern(stream, 3 * kInterval + 12345);
        EXPECT_EQ(stream.FlushToDisk(), c.expected);
        EXPECT_GE(calls.load(), 1);
        EXPECT_EQ(stream.Close(), Success);
        EXPECT_TRUE(TempFolder::ReadFile(path) == content);
    }
}

namespace {

// A background flush that holds until the test lets it go, to have one running for sure.
class HeldFlush
{
public:
    std::function<bool()> Job()
    {
        return [this]() {
            ++mCalls;
            mEntered.set_value();
            mRelease.get_future().wait();
            mFinished = true;
            return true;
        };
    }
    void WaitUntilRunning() { mEntered.get_future().wait(); }
    void Release() { mRelease.set_value(); }

    std::atomic<int> mCalls{0};
    std::atomic<bool> mFinished{false};

private:
    std::promise<void> mEntered;
    std::promise<void> mRelease;
};

} // namespace

TEST(OutputFileStreamTest, WritingGoesOnPastARunningBackgroundFlushAndCloseWaitsForIt)
{
    TempFolder folder;
    const std::string path = folder.PathOf("closed-early.bin");
    HeldFlush held;
    OutputFileStream stream;
    ASSERT_EQ(stream.Open(path, false), Success);
    stream.EnableFlushBehind(held.Job());
    std::string content = WritePattern(stream, kInterval);
    held.WaitUntilRunning();
    // Two more intervals: this would hang if writing waited for the held flush.
    content += WritePattern(stream, 2 * kInterval + 7);
    std::thread release([&held]() { held.Release(); });
    EXPECT_EQ(stream.Close(), Success); // without FlushToDisk
    EXPECT_TRUE(held.mFinished.load()); // Close returned only after the flush had ended
    release.join();
    EXPECT_EQ(held.mCalls.load(), 1); // the skipped intervals were not queued
    EXPECT_TRUE(TempFolder::ReadFile(path) == content);
}
