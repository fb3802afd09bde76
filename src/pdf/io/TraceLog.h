#pragma once

#include <cstdarg>
#include <memory>
#include <string>

class IByteWriter;
class TraceLogWriter;
struct TraceLogSettings;

// The single process-wide diagnostic log of the PDF layer. Off until switched on through
// settings; when on, every message becomes one line "[ dd/mm/yyyy hh:mm:ss ] message\r\n"
// in a file or on a caller's writer. Tracing never affects the operation that traces.
class TraceLog
{
public:
    static constexpr std::size_t kMessageBufferSize = 5001;

    // The one instance, created by static initialisation before main.
    static TraceLog& DefaultTraceLog();

    TraceLog();
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void TraceArgs(const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));

    void SetFileOutput(const std::string& logFilePath, bool enabled, bool startWithBOM);
    // The stream is borrowed: it must outlive the log or be replaced before it goes away.
    void SetStreamOutput(IByteWriter* logStream, bool enabled);
    void ApplySettings(const TraceLogSettings& settings);

private:
    char mMessageBuffer[kMessageBufferSize];
    std::unique_ptr<TraceLogWriter> mLogWriter;
    std::string mLogFilePath = "Log.txt";
    IByteWriter* mLogStream = nullptr;
    bool mEnabled = false;
    bool mStartWithBOM = false;
    // Set by SetStreamOutput: lines go to mLogStream, and are dropped when it is null (rather
    // than falling back to a file nobody asked for).
    bool mUseStream = false;
    // Set while a message is being written. The log file itself is written through OutputFile,
    // which traces its own failures: such a nested trace is dropped instead of recursing
    // without end and overwriting the message being written.
    bool mIsTracing = false;
};

// Shorthand used by every class of the PDF layer: TRACE_LOG("Class::Operation, ...", ...).
#define TRACE_LOG(...) TraceLog::DefaultTraceLog().Trace(__VA_ARGS__)
