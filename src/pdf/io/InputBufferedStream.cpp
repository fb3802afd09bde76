#include "pdf/io/InputBufferedStream.h"

#include <algorithm>
#include <cstring>

InputBufferedStream::InputBufferedStream(IOByteCount bufferSize)
    : InputBufferedStream(nullptr, bufferSize)
{
}

InputBufferedStream::InputBufferedStream(IByteReaderWithPosition* source, IOByteCount bufferSize)
    : mBuffer(new Byte[std::max<IOByteCount>(bufferSize, 1)]),
      mBufferSize(std::max<IOByteCount>(bufferSize, 1)), mSourceStream(source)
{
}

InputBufferedStream::~InputBufferedStream()
{
    delete mSourceStream;
}

void InputBufferedStream::Assign(IByteReaderWithPosition* source)
{
    if (source != mSourceStream) {
        delete mSourceStream;
    }
    mSourceStream = source;
    EmptyBuffer();
}

void InputBufferedStream::EmptyBuffer()
{
    mReadIndex = 0;
    mEndIndex = 0;
}

IOByteCount InputBufferedStream::Read(Byte* buffer, IOByteCount count)
{
    // Single bytes are the common request from byte-wise readers; a library memcpy call costs
    // more than the byte. Buffered bytes imply a source (Assign and construction empty it).
    if (count == 1 && mReadIndex < mEndIndex) {
        *buffer = mBuffer[mReadIndex++];
        return 1;
    }
    if (mSourceStream == nullptr || count == 0) {
        return 0;
    }
    IOByteCount unread = UnreadCount();
    if (unread >= count) {
        std::memcpy(buffer, mBuffer.get() + mReadIndex, count);
        mReadIndex += count;
        return count;
    }

    std::memcpy(buffer, mBuffer.get() + mReadIndex, unread);
    EmptyBuffer();
    IOByteCount delivered = unread;
    IOByteCount rest = count - unread;
    IOByteCount tail = rest % mBufferSize;

    // Whole buffer lengths go straight from the source into the caller's memory.
    if (mSourceStream->HasMore() && rest > tail) {
        delivered += mSourceStream->Read(buffer + delivered, rest - tail);
    }
    if (mSourceStream->HasMore()) {
        mEndIndex = mSourceStream->Read(mBuffer.get(), mBufferSize);
        IOByteCount fromBuffer = std::min(tail, mEndIndex);
        std::memcpy(buffer + delivered, mBuffer.get(), fromBuffer);
        mReadIndex = fromBuffer;
        delivered += fromBuffer;
    }
    return delivered;
}

bool InputBufferedStream::HasMore()
{
    return UnreadCount() > 0 || (mSourceStream != nullptr && mSourceStream->HasMore());
}

void InputBufferedStream::SetPosition(FilePosition offsetFromStart)
{
    EmptyBuffer();
    if (mSourceStream != nullptr) {
        mSourceStream->SetPosition(offsetFromStart);
    }
}

void InputBufferedStream::SetPositionFromEnd(FilePosition offsetFromEnd)
{
    EmptyBuffer();
    if (mSourceStream != nullptr) {
        mSourceStream->SetPositionFromEnd(offsetFromEnd);
    }
}

FilePosition InputBufferedStream::GetCurrentPosition()
{
    if (mSourceStream == nullptr) {
        return 0;
    }
    return mSourceStream->GetCurrentPosition() - UnreadCount();
}

void InputBufferedStream::Skip(IOByteCount count)
{
    IOByteCount unread = UnreadCount();
    if (count <= unread) {
        mReadIndex += count;
        return;
    }
    EmptyBuffer();
    if (mSourceStream != nullptr) {
        mSourceStream->Skip(count - unread);
    }
}
