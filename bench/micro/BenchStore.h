#pragma once

#include <cstddef>
#include <string>

#include "pdf/io/IByteReaderWithPosition.h"

// The hex-heavy store that every reader benchmark reads, made once per process: the output of
// bench/make-store for 2,500 entries, or, when python or the script is missing, a store of the
// same shape generated here. The bytes live until the process ends.
const std::string& BenchStoreBytes();

// A reader over borrowed bytes, so that an iteration costs no copy of the input. It hands out
// bytes the way a file stream does (any count, no buffering of its own), which keeps the
// buffered reader above it on its real code path.
class MemoryReader : public IByteReaderWithPosition
{
public:
    MemoryReader(const void* bytes, std::size_t size)
        : mBytes(static_cast<const Byte*>(bytes)), mSize(size)
    {
    }

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override { return mPosition < mSize; }
    void SetPosition(FilePosition offsetFromStart) override;
    void SetPositionFromEnd(FilePosition offsetFromEnd) override;
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mPosition); }
    void Skip(IOByteCount count) override;

private:
    const Byte* mBytes;
    std::size_t mSize;
    std::size_t mPosition = 0;
};
