#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/IByteWriter.h"
#include "pdf/io/TraceLog.h"

// A positionable reader over bytes held in memory, behaving like the file reader: seeking
// from the end beyond the start lands at the start. Counts reads so tests can prove that a
// scan never reads a byte twice.
class MemoryReader : public IByteReaderWithPosition
{
public:
    explicit MemoryReader(std::string bytes) : mBytes(std::move(bytes)) {}

    IOByteCount Read(Byte* buffer, IOByteCount count) override
    {
        const std::size_t available = mBytes.size() - mPosition;
        const std::size_t taken = std::min<std::size_t>(available, count);
        std::memcpy(buffer, mBytes.data() + mPosition, taken);
        mPosition += taken;
        mBytesRead += taken;
        return static_cast<IOByteCount>(taken);
    }
    bool HasMore() override { return mPosition < mBytes.size(); }
    void SetPosition(FilePosition offset) override
    {
        if (offset >= 0 && static_cast<std::size_t>(offset) <= mBytes.size()) {
            mPosition = static_cast<std::size_t>(offset);
        }
    }
    void SetPositionFromEnd(FilePosition offset) override
    {
        const auto size = static_cast<FilePosition>(mBytes.size());
        mPosition = offset >= 0 && offset <= size ? static_cast<std::size_t>(size - offset) : 0;
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mPosition); }
    void Skip(IOByteCount count) override
    {
        mPosition = std::min(mBytes.size(), mPosition + count);
    }

    std::size_t BytesRead() const { return mBytesRead; }

private:
    std::string mBytes;
    std::size_t mPosition = 0;
    std::size_t mBytesRead = 0;
};

// Collects trace lines while alive and switches the log back off afterwards.
class TraceCapture : public IByteWriter
{
public:
    TraceCapture() { TraceLog::DefaultTraceLog().SetStreamOutput(this, true); }
    ~TraceCapture() override { TraceLog::DefaultTraceLog().SetFileOutput("Log.txt", false, false); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        mText.append(reinterpret_cast<const char*>(buffer), count);
        return count;
    }

    // The messages without their time stamps, in order.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end = mText.find("\r\n"); end != std::string::npos;
             start = end + 2, end = mText.find("\r\n", start)) {
            std::string line = mText.substr(start, end - start);
            const std::size_t stamp = line.find("] ");
            lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
        }
        return lines;
    }
    bool Contains(const std::string& message) const
    {
        for (const std::string& line : Lines()) {
            if (line == message) {
                return true;
            }
        }
        return false;
    }
    bool Empty() const { return mText.empty(); }

private:
    std::string mText;
};
