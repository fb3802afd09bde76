#pragma once

#include <memory>

#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/StatusCode.h"

// Collects written bytes in one buffer and passes them on when it overflows, on Flush and on
// destruction. Large writes bypass the buffer in whole multiples of its size. Owns and
// destroys its target.
//
// A short write by the target while passing on buffered bytes loses those bytes even though
// their Write reported them written; the stream remembers that, and Flush reports Failure
// from then on, so the owner can tell that the output is incomplete.
class OutputBufferedStream : public IByteWriterWithPosition
{
public:
    static constexpr IOByteCount kDefaultBufferSize = 262144;

    // A buffer size of 0 is taken as 1.
    explicit OutputBufferedStream(IOByteCount bufferSize = kDefaultBufferSize);
    // Takes ownership of target (may be null).
    explicit OutputBufferedStream(IByteWriterWithPosition* target,
                                  IOByteCount bufferSize = kDefaultBufferSize);
    // Writes out buffered bytes (a failure there cannot be reported), destroys the target.
    ~OutputBufferedStream() override;
    OutputBufferedStream(const OutputBufferedStream&) = delete;
    OutputBufferedStream& operator=(const OutputBufferedStream&) = delete;

    // Flushes the buffered bytes to the current target, then uses the new one. The previous
    // target is NOT destroyed: the caller gets it back under its own responsibility (this is
    // how a target is detached); the new one is owned from now on.
    void Assign(IByteWriterWithPosition* target);

    IOByteCount Write(const Byte* buffer, IOByteCount count) override;
    // Bytes written so far, buffered ones included; 0 with no target.
    FilePosition GetCurrentPosition() override;

    // Passes the buffered bytes on and empties the buffer (with no target they are dropped).
    // Failure when the target took fewer bytes, now or at any earlier write-out.
    StatusCode Flush();

private:
    void WriteOutBuffer();

    std::unique_ptr<Byte[]> mBuffer;
    IOByteCount mBufferSize;
    IOByteCount mWriteIndex = 0;
    IByteWriterWithPosition* mTargetStream = nullptr;
    bool mLostBytes = false;
};
