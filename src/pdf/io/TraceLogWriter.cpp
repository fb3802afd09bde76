#include "pdf/io/TraceLogWriter.h"

#include <cstdio>
#include <ctime>

#include "pdf/io/IByteWriterWithPosition.h"
#include "platform/Platform.h"

namespace {

constexpr Byte kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// Writes all of line, or as much as the writer takes; tracing has nobody to report to.
void WriteAll(IByteWriter* writer, const std::string& line)
{
    (void)writer->Write(reinterpret_cast<const Byte*>(line.data()),
                        static_cast<IOByteCount>(line.size()));
}

} // namespace

TraceLogWriter::TraceLogWriter(const std::string& logFilePath, bool startWithBOM)
    : mIsFileMode(true)
{
    if (std::FILE* existing = platform::OpenFile(logFilePath, "r")) {
        std::fclose(existing); // only asked whether it exists; lines will be appended
    } else if (std::FILE* created = platform::OpenFile(logFilePath, "wb")) {
        std::fclose(created);
        if (startWithBOM && mLogFile.OpenFile(logFilePath, false) == Success) {
            (void)mLogFile.GetOutputStream()->Write(kByteOrderMark, sizeof(kByteOrderMark));
            (void)mLogFile.CloseFile(); // a lost mark only makes the file less tidy
        }
    } else {
        return; // cannot be opened nor created: keep the path empty and drop every line
    }
    mLogFilePath = logFilePath;
}

TraceLogWriter::TraceLogWriter(IByteWriter* logStream) : mLogStream(logStream), mIsFileMode(false)
{
}

void TraceLogWriter::WriteLine(const char* message, std::size_t length)
{
    if (mIsFileMode) {
        WriteLineToFile(message, length);
    } else {
        WriteLineToStream(message, length);
    }
}

std::string TraceLogWriter::ComposeLine(const char* message, std::size_t length)
{
    std::tm now = platform::LocalTime(std::time(nullptr));
    // The text is 24 bytes for any four-digit year; the room covers every int anyway.
    char stamp[80];
    int stampLength =
        std::snprintf(stamp, sizeof(stamp), "[ %02d/%02d/%04d %02d:%02d:%02d ] ", now.tm_mday,
                      now.tm_mon + 1, now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec);
    std::string line;
    if (stampLength > 0) {
        line.assign(stamp, static_cast<std::size_t>(stampLength) < sizeof(stamp)
                               ? static_cast<std::size_t>(stampLength)
                               : sizeof(stamp) - 1);
    }
    line.append(message, length);
    line.append("\r\n");
    return line;
}

void TraceLogWriter::WriteLineToFile(const char* message, std::size_t length)
{
    if (mLogFilePath.empty()) {
        return;
    }
    if (mLogFile.OpenFile(mLogFilePath, true) != Success) {
        return; // locked or gone: the line is lost, silently
    }
    WriteAll(mLogFile.GetOutputStream(), ComposeLine(message, length));
    (void)mLogFile.CloseFile(); // a line that could not be written is lost, silently
}

void TraceLogWriter::WriteLineToStream(const char* message, std::size_t length)
{
    if (mLogStream == nullptr) {
        return;
    }
    WriteAll(mLogStream, ComposeLine(message, length));
}
