#pragma once

#include <memory>

#include "pdf/io/IByteReaderWithPosition.h"

// Reads its source through one buffer. Large reads bypass the buffer in whole multiples of
// its size; only the remainder is copied through it. Owns and destroys its source.
class InputBufferedStream : public IByteReaderWithPosition
{
public:
    static constexpr IOByteCount kDefaultBufferSize = 262144;

    // A buffer size of 0 is taken as 1.
    explicit InputBufferedStream(IOByteCount bufferSize = kDefaultBufferSize);
    // Takes ownership of source (may be null).
    explicit InputBufferedStream(IByteReaderWithPosition* source,
                                 IOByteCount bufferSize = kDefaultBufferSize);
    ~InputBufferedStream() override;
    InputBufferedStream(const InputBufferedStream&) = delete;
    InputBufferedStream& operator=(const InputBufferedStream&) = delete;

    // The reader itself when it is exactly an InputBufferedStream, whose buffer a scanner may
    // then look into (see BufferedBytes); null for any other reader. A subclass is not taken:
    // it may change what Read or HasMore deliver, so it must be read through them. Readers
    // that look into the buffer ask this once, when they are given the reader.
    static InputBufferedStream* ExactlyBuffered(IByteReader* reader);

    // Uses a new source and empties the buffer. The previous source is destroyed unless it is
    // the same pointer (re-assigning the current source must not free it).
    void Assign(IByteReaderWithPosition* source);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;
    // A target inside the buffered bytes keeps the buffer; a target less than one buffer
    // length before them refills the buffer around it; any other empties the buffer and moves
    // the source.
    void SetPosition(FilePosition offsetFromStart) override;
    void SetPositionFromEnd(FilePosition offsetFromEnd) override;
    FilePosition GetCurrentPosition() override;
    void Skip(IOByteCount count) override;

    // Borrowed.
    IByteReaderWithPosition* GetSourceStream() const { return mSourceStream; }

    // Non-virtual access to the unread part of the buffer, for scanners that look at bytes one
    // at a time (the tokenizer) and should not pay a virtual Read per byte. Looking reads
    // nothing from the source; only ConsumeBuffered moves the read position, and only over
    // bytes that are buffered, so the position stays exact. With nothing buffered the caller
    // goes through Read, which refills the buffer.
    IOByteCount BufferedCount() const { return UnreadCount(); }
    const Byte* BufferedBytes() const { return mBuffer.get() + mReadIndex; }
    // Counts above BufferedCount are lowered to it.
    void ConsumeBuffered(IOByteCount count)
    {
        mReadIndex += count < UnreadCount() ? count : UnreadCount();
    }

private:
    IOByteCount UnreadCount() const { return mEndIndex - mReadIndex; }
    void EmptyBuffer();
    // Fills the buffer with bytes around target, which lies before windowStart. False (buffer
    // empty) when the source did not deliver the target's byte.
    bool FillAround(FilePosition target, FilePosition windowStart);

    std::unique_ptr<Byte[]> mBuffer;
    IOByteCount mBufferSize;
    IOByteCount mReadIndex = 0;
    IOByteCount mEndIndex = 0;
    IByteReaderWithPosition* mSourceStream = nullptr;
};
