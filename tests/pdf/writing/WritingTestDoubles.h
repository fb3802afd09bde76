#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "TraceCapture.h"
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
