#include "pdf/io/OutputBufferedStream.h"

#include <algorithm>
#include <cstring>

OutputBufferedStream::OutputBufferedStream(IOByteCount bufferSize)
    : OutputBufferedStream(nullptr, bufferSize)
{
}

OutputBufferedStream::OutputBufferedStream(IByteWriterWithPosition* target, IOByteCount bufferSize)
    : mBuffer(new Byte[std::max<IOByteCount>(bufferSize, 1)]),
      mBufferSize(std::max<IOByteCount>(bufferSize, 1)), mTargetStream(target)
{
}

OutputBufferedStream::~OutputBufferedStream()
{
    WriteOutBuffer();
    delete mTargetStream;
}

void OutputBufferedStream::Assign(IByteWriterWithPosition* target)
{
    WriteOutBuffer();
    mTargetStream = target;
}

void OutputBufferedStream::WriteOutBuffer()
{
    if (mTargetStream != nullptr && mWriteIndex > 0 &&
        mTargetStream->Write(mBuffer.get(), mWriteIndex) != mWriteIndex) {
        mLostBytes = true;
    }
    mWriteIndex = 0;
}

IOByteCount OutputBufferedStream::Write(const Byte* buffer, IOByteCount count)
{
    if (mTargetStream == nullptr || count == 0) {
        return 0;
    }
    if (count <= mBufferSize - mWriteIndex) {
        std::memcpy(mBuffer.get() + mWriteIndex, buffer, count);
        mWriteIndex += count;
        return count;
    }

    IOByteCount tail = count % mBufferSize;
    WriteOutBuffer();
    IOByteCount direct = count - tail;
    IOByteCount written = direct > 0 ? mTargetStream->Write(buffer, direct) : 0;
    if (written == direct && tail > 0) {
        std::memcpy(mBuffer.get(), buffer + direct, tail);
        mWriteIndex = tail;
        written += tail;
    }
    return written;
}

FilePosition OutputBufferedStream::GetCurrentPosition()
{
    if (mTargetStream == nullptr) {
        return 0;
    }
    return mTargetStream->GetCurrentPosition() + mWriteIndex;
}

StatusCode OutputBufferedStream::Flush()
{
    WriteOutBuffer();
    return mLostBytes ? Failure : Success;
}
