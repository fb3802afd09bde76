#include "pdf/io/TraceLog.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemoryStreams.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "pdf/io/TraceLogSettings.h"
#include "platform/Platform.h"

using namespace bytestreams_test;

namespace {

const std::string kBOM = "\xEF\xBB\xBF";

// Switches file output on for one test and back to the program's default afterwards.
class FileTraceScope
{
public:
    FileTraceScope(const std::string& path, bool startWithBOM)
    {
        TraceLog::DefaultTraceLog().SetFileOutput(path, true, startWithBOM);
    }
    ~FileTraceScope() { TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false); }
    FileTraceScope(const FileTraceScope&) = delete;
    FileTraceScope& operator=(const FileTraceScope&) = delete;
};

// "[ stamp ] message\r\n" of a file's text, with the stamp checked and removed.
std::string Unstamped(const std::string& text)
{
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            return result + "<unterminated>" + text.substr(start);
        }
        std::string line = text.substr(start, end - start);
        result += TraceCapture::IsStamped(line) ? line.substr(TraceCapture::kStampLength)
                                                : "<unstamped>" + line;
        result += "|";
        start = end + 2;
    }
    return result;
}

} // namespace

TEST(TraceLogTest, StreamModeWritesStampedLinesWithCrLf)
{
    TraceCapture capture;
    TRACE_LOG("Class::Operation, value %d of %s", 42, "text");
    TRACE_LOG("second");
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"Class::Operation, value 42 of text", "second"}));
    EXPECT_EQ(capture.Text().size(), 2 * (24 + 2) + 34 + 6);
}

TEST(TraceLogTest, MessageIsCutAtItsFirstNul)
{
    TraceCapture capture;
    TRACE_LOG("ab%cde", 0);
    EXPECT_EQ(capture.Lines(), std::vector<std::string>{"ab"});
}

TEST(TraceLogTest, OverlongMessageIsCutToTheBuffer)
{
    TraceCapture capture;
    const std::string longText(20000, 'x');
    TRACE_LOG("%s%s", longText.c_str(), "end");
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], std::string(TraceLog::kMessageBufferSize - 1, 'x'));
}

TEST(TraceLogTest, DisabledLogWritesNothing)
{
    std::string sink;
    MemoryWriter writer(&sink);
    TraceLog::DefaultTraceLog().SetStreamOutput(&writer, false);
    TRACE_LOG("dropped");
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
    EXPECT_EQ(sink, "");
    EXPECT_EQ(writer.WriteCalls(), 0);
}

TEST(TraceLogTest, DefaultSettingsCreateNoFile)
{
    ASSERT_FALSE(platform::PathExists("PDFWriterLog.txt"));
    TraceLog::DefaultTraceLog().ApplySettings(TraceLogSettings::Default());
    TRACE_LOG("dropped");
    EXPECT_FALSE(platform::PathExists("PDFWriterLog.txt"));
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
}

TEST(TraceLogTest, NewFileStartsWithByteOrderMarkWhenAsked)
{
    for (bool withBOM : {true, false}) {
        SCOPED_TRACE(withBOM);
        TempFolder folder;
        const std::string path = folder.PathOf("log.txt");
        {
            FileTraceScope scope(path, withBOM);
            TRACE_LOG("one");
            TRACE_LOG("two");
        }
        std::string text = TempFolder::ReadFile(path);
        ASSERT_EQ(text.substr(0, 3) == kBOM, withBOM);
        EXPECT_EQ(Unstamped(withBOM ? text.substr(3) : text), "one|two|");
    }
}

TEST(TraceLogTest, ExistingFileIsAppendedWithoutByteOrderMark)
{
    TempFolder folder;
    const std::string path = folder.PathOf("log.txt");
    TempFolder::WriteFile(path, "old line\r\n");
    {
        FileTraceScope scope(path, true);
        TRACE_LOG("new");
    }
    EXPECT_EQ(Unstamped(TempFolder::ReadFile(path)), "<unstamped>old line|new|");
}

TEST(TraceLogTest, NoFileIsCreatedBeforeTheFirstMessage)
{
    TempFolder folder;
    const std::string path = folder.PathOf("later.txt");
    {
        FileTraceScope scope(path, true);
        EXPECT_FALSE(platform::PathExists(path));
    }
    EXPECT_FALSE(platform::PathExists(path));
}

TEST(TraceLogTest, NewSettingsMoveTheNextLine)
{
    TempFolder folder;
    const std::string first = folder.PathOf("first.txt");
    const std::string second = folder.PathOf("second.txt");
    {
        FileTraceScope scope(first, false);
        TRACE_LOG("to first");
        TraceLogSettings settings;
        settings.mShouldLog = true;
        settings.mLogFilePath = second;
        TraceLog::DefaultTraceLog().ApplySettings(settings);
        TRACE_LOG("to second");
    }
    EXPECT_EQ(Unstamped(TempFolder::ReadFile(first)), "to first|");
    EXPECT_EQ(Unstamped(TempFolder::ReadFile(second)), "to second|");
}

TEST(TraceLogTest, StreamSettingsSendLinesToTheStreamAndCreateNoFile)
{
    TempFolder folder;
    std::string sink;
    MemoryWriter writer(&sink);
    TraceLogSettings settings;
    settings.mShouldLog = true;
    settings.mLogFilePath = folder.PathOf("unused.txt");
    settings.mLogStream = &writer;
    TraceLog::DefaultTraceLog().ApplySettings(settings);
    TRACE_LOG("streamed");
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
    EXPECT_EQ(Unstamped(sink), "streamed|");
    EXPECT_FALSE(platform::PathExists(settings.mLogFilePath));
}

TEST(TraceLogTest, SwitchingStreamsAfterAWriterExistsMovesTheNextLine)
{
    std::string firstSink;
    std::string secondSink;
    MemoryWriter first(&firstSink);
    MemoryWriter second(&secondSink);
    TraceLog::DefaultTraceLog().SetStreamOutput(&first, true);
    TRACE_LOG("a");
    TraceLog::DefaultTraceLog().SetStreamOutput(&second, true);
    TRACE_LOG("b");
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
    EXPECT_EQ(Unstamped(firstSink), "a|");
    EXPECT_EQ(Unstamped(secondSink), "b|");
}

TEST(TraceLogTest, UnusableLogFileDropsLinesQuietly)
{
    TempFolder folder;
    // A path inside a missing folder can be neither opened nor created. A folder as path may
    // open for reading on some systems and then fail every append; the failing append traces
    // itself, which must not recurse into the log.
    const std::string missing = folder.PathOf("missing") + platform::kPathSeparator + "log.txt";
    for (const std::string& path : {missing, folder.Path()}) {
        SCOPED_TRACE(path);
        FileTraceScope scope(path, true);
        TRACE_LOG("lost");
        TRACE_LOG("lost again");
    }
    EXPECT_FALSE(platform::PathExists(missing));
}

TEST(TraceLogTest, NullStreamDropsLines)
{
    ASSERT_FALSE(platform::PathExists("Log.txt"));
    TraceLog::DefaultTraceLog().SetStreamOutput(nullptr, true);
    TRACE_LOG("nowhere");
    TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false);
    EXPECT_FALSE(platform::PathExists("Log.txt")); // no fallback to the file
}
