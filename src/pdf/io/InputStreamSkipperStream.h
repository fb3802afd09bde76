#pragma once

#include "pdf/io/IByteReader.h"
#include "pdf/io/IReadPositionProvider.h"

// A forward-only reader that counts the bytes it delivers, so that positions inside decoded
// data (an object stream) can be reported and skipped to. Owns and destroys its source.
class InputStreamSkipperStream : public IByteReader, public IReadPositionProvider
{
public:
    InputStreamSkipperStream() = default;
    explicit InputStreamSkipperStream(IByteReader* source);
    ~InputStreamSkipperStream() override;
    InputStreamSkipperStream(const InputStreamSkipperStream&) = delete;
    InputStreamSkipperStream& operator=(const InputStreamSkipperStream&) = delete;

    // Uses a new source and restarts the count at 0. The previous source is destroyed unless
    // it is the very pointer assigned again.
    void Assign(IByteReader* source);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

    // Bytes delivered since construction, the last Assign or the last Reset.
    FilePosition GetCurrentPosition() override;

    // True when position is at or after the current count (the stream never goes back).
    bool CanSkipTo(FilePosition position) const;
    // Reads and discards up to position; a position behind the count is ignored.
    void SkipTo(FilePosition position);
    // Reads and discards count bytes, stopping early at the end of the source.
    void SkipBy(FilePosition count);
    // Restarts the count at 0 without moving the source.
    void Reset();

private:
    IByteReader* mSourceStream = nullptr;
    FilePosition mReadCount = 0;
};
