#include "pdf/io/TraceLog.h"

#include <cstdio>
#include <cstring>

#include "pdf/io/TraceLogSettings.h"
#include "pdf/io/TraceLogWriter.h"

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
    if (!mEnabled || mIsTracing || format == nullptr) {
        return;
    }
    mIsTracing = true;
    if (!mLogWriter) {
        if (mUseStream) {
            mLogWriter = std::make_unique<TraceLogWriter>(mLogStream);
        } else {
            mLogWriter = std::make_unique<TraceLogWriter>(mLogFilePath, mStartWithBOM);
        }
    }
    // vsnprintf cuts a longer message to the buffer and always terminates it.
    int length = std::vsnprintf(mMessageBuffer, sizeof(mMessageBuffer), format, arguments);
    if (length >= 0) {
        // Up to the first NUL: a %c of 0 ends the message there.
        mLogWriter->WriteLine(mMessageBuffer, std::strlen(mMessageBuffer));
    }
    mIsTracing = false;
}

void TraceLog::SetFileOutput(const std::string& logFilePath, bool enabled, bool startWithBOM)
{
    mEnabled = enabled;
    mStartWithBOM = startWithBOM;
    mLogFilePath = logFilePath;
    mLogStream = nullptr;
    mUseStream = false;
    mLogWriter.reset();
}

void TraceLog::SetStreamOutput(IByteWriter* logStream, bool enabled)
{
    mEnabled = enabled;
    mLogStream = logStream;
    mUseStream = true;
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
