#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TraceCapture.h"
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
