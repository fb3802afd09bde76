#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/TraceLog.h"
#include "pdf/io/TraceLogSettings.h"

// Collects written bytes in memory. With a limit, accepts bytes up to that total and then
// takes no more (a short count), like a disk that fills up at byte N.
class MemoryWriter : public IByteWriterWithPosition
{
public:
    explicit MemoryWriter(std::size_t limit = std::numeric_limits<std::size_t>::max())
        : mLimit(limit)
    {
    }

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        std::size_t take = count;
        if (mBytes.size() + take > mLimit) {
            take = mLimit - mBytes.size();
        }
        mBytes.append(reinterpret_cast<const char*>(buffer), take);
        ++mWriteCalls;
        return static_cast<IOByteCount>(take);
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mBytes.size()); }

    std::string mBytes;
    std::size_t mLimit;
    std::size_t mWriteCalls = 0;
};

// Points the process-wide trace log at memory for one test and restores the default after.
class TraceCapture
{
public:
    TraceCapture() { TraceLog::DefaultTraceLog().SetStreamOutput(&mWriter, true); }
    ~TraceCapture() { TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // The log's text without the time stamps: one message per line, each ending "\n".
    std::string Messages() const
    {
        std::string result;
        std::size_t start = 0;
        while (start < mWriter.mBytes.size()) {
            std::size_t end = mWriter.mBytes.find("\r\n", start);
            if (end == std::string::npos) {
                end = mWriter.mBytes.size();
            }
            std::string line = mWriter.mBytes.substr(start, end - start);
            const std::size_t stamp = line.find("] ");
            result += (stamp == std::string::npos ? line : line.substr(stamp + 2)) + "\n";
            start = end + 2;
        }
        return result;
    }
    void Clear() { mWriter.mBytes.clear(); }

    // For PDFWriter::StartPDF, which applies its own settings to the log: these keep the
    // lines coming here.
    TraceLogSettings Settings()
    {
        TraceLogSettings settings;
        settings.mShouldLog = true;
        settings.mLogStream = &mWriter;
        return settings;
    }

private:
    MemoryWriter mWriter;
};
