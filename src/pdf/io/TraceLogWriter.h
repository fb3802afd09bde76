#pragma once

#include <cstddef>
#include <string>

#include "pdf/io/OutputFile.h"

class IByteWriter;

// Puts finished trace lines somewhere: appended to a file (opened and closed per line, so
// each line is complete in the file when the trace returns) or written to a caller's writer.
// Every failure is silent: tracing never affects the operation that traces.
class TraceLogWriter
{
public:
    // File mode. An existing file is kept as it is and appended to; a missing one is created
    // now, starting with the UTF-8 byte order mark when startWithBOM is set. If it can be
    // neither opened nor created, every line is dropped.
    TraceLogWriter(const std::string& logFilePath, bool startWithBOM);
    // Stream mode. The stream is borrowed; a null stream drops every line.
    explicit TraceLogWriter(IByteWriter* logStream);
    TraceLogWriter(const TraceLogWriter&) = delete;
    TraceLogWriter& operator=(const TraceLogWriter&) = delete;

    // Writes "[ dd/mm/yyyy hh:mm:ss ] " + message + CR LF.
    void WriteLine(const char* message, std::size_t length);

private:
    static std::string ComposeLine(const char* message, std::size_t length);
    void WriteLineToFile(const char* message, std::size_t length);
    void WriteLineToStream(const char* message, std::size_t length);

    std::string mLogFilePath;
    OutputFile mLogFile;
    IByteWriter* mLogStream = nullptr;
    bool mIsFileMode;
};
