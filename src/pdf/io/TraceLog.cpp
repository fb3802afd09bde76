#include "pdf/io/TraceLog.h"

#include <cstdio>
#include <cstring>

#include "pdf/io/IByteWriter.h"
#include "pdf/io/TraceLogSettings.h"
#include "platform/Platform.h"

// Temporary: stream mode only; file mode drops lines until the writer is completed.
class TraceLogWriter
{
public:
    explicit TraceLogWriter(IByteWriter* stream) : mLogStream(stream) {}

    void WriteLine(const char* message, std::size_t length)
    {
        if (mLogStream == nullptr) {
            return;
        }
        std::tm now = platform::LocalTime(std::time(nullptr));
        char stamp[64];
        std::snprintf(stamp, sizeof(stamp), "[ %02d/%02d/%04d %02d:%02d:%02d ] ", now.tm_mday,
                      now.tm_mon + 1, now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec);
        (void)mLogStream->Write(reinterpret_cast<const Byte*>(stamp),
                                static_cast<IOByteCount>(std::strlen(stamp)));
        (void)mLogStream->Write(reinterpret_cast<const Byte*>(message),
                                static_cast<IOByteCount>(length));
        (void)mLogStream->Write(reinterpret_cast<const Byte*>("\r\n"), 2);
    }

private:
    IByteWriter* mLogStream;
};

const TraceLogSettings& TraceLogSettings::Default()
{
    static const TraceLogSettings kDefault;
    return kDefault;
}

TraceLog& TraceLog::DefaultTraceLog()
{
    static TraceLog instance;
    return instance;
}

TraceLog::TraceLog() : mMessageBuffer{}
{
}

TraceLog::~TraceLog() = default;

void TraceLog::Trace(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    TraceArgs(format, arguments);
    va_end(arguments);
}

void TraceLog::TraceArgs(const char* format, va_list arguments)
{
    if (!mEnabled) {
        return;
    }
    if (!mLogWriter) {
        mLogWriter = std::make_unique<TraceLogWriter>(mLogStream);
    }
    std::vsnprintf(mMessageBuffer, sizeof(mMessageBuffer), format, arguments);
    mLogWriter->WriteLine(mMessageBuffer, std::strlen(mMessageBuffer));
}

void TraceLog::SetFileOutput(const std::string& logFilePath, bool enabled, bool startWithBOM)
{
    mEnabled = enabled;
    mStartWithBOM = startWithBOM;
    mLogFilePath = logFilePath;
    mLogStream = nullptr;
    mLogWriter.reset();
}

void TraceLog::SetStreamOutput(IByteWriter* logStream, bool enabled)
{
    mEnabled = enabled;
    mLogStream = logStream;
    mStartWithBOM = false;
    if (mLogWriter) {
        mLogWriter.reset();
        if (mEnabled) {
            mLogWriter = std::make_unique<TraceLogWriter>(mLogStream);
        }
    }
}

void TraceLog::ApplySettings(const TraceLogSettings& settings)
{
    if (settings.mLogStream == nullptr) {
        SetFileOutput(settings.mLogFilePath, settings.mShouldLog, settings.mStartWithBOM);
    } else {
        SetStreamOutput(settings.mLogStream, settings.mShouldLog);
    }
}
