#include "pdf/io/InputBufferedStream.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

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

InputBufferedStream* InputBufferedStream::ExactlyBuffered(IByteReader* reader)
{
    // The exact class is what matters here, which no virtual query of the reader can tell: a
    // subclass would inherit the answer of its base.
    return reader != nullptr && typeid(*reader) == typeid(InputBufferedStream)
               ? static_cast<InputBufferedStream*>(reader)
               : nullptr;
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
    // The buffer holds the bytes just before the source's position. A target among them
    // (backward or forward) is served from the buffer: readers that revisit nearby objects
    // would otherwise read the same bytes again for every jump.
    if (mSourceStream != nullptr && mEndIndex > 0) {
        const FilePosition windowEnd = mSourceStream->GetCurrentPosition();
        const FilePosition windowStart = windowEnd - mEndIndex;
        if (offsetFromStart >= windowStart && offsetFromStart < windowEnd) {
            mReadIndex = static_cast<IOByteCount>(offsetFromStart - windowStart);
            return;
        }
        if (offsetFromStart >= 0 && offsetFromStart < windowStart &&
            windowStart - offsetFromStart <= static_cast<FilePosition>(mBufferSize) &&
            FillAround(offsetFromStart, windowStart)) {
            return;
        }
    }
    EmptyBuffer();
    if (mSourceStream != nullptr) {
        mSourceStream->SetPosition(offsetFromStart);
    }
}

bool InputBufferedStream::FillAround(FilePosition target, FilePosition windowStart)
{
    // A short jump back before the buffered bytes usually starts a walk backwards (objects
    // stored last-first). Filling the buffer mostly with the bytes before the old window lets
    // the next jumps land inside it; a quarter of it overlaps the old window so that reading
    // on from the target does not refill at once.
    const FilePosition lead =
        static_cast<FilePosition>(mBufferSize) - static_cast<FilePosition>(mBufferSize / 4);
    const FilePosition fillStart = std::max<FilePosition>(0, std::min(target, windowStart - lead));
    EmptyBuffer();
    mSourceStream->SetPosition(fillStart);
    if (mSourceStream->GetCurrentPosition() == fillStart) {
        const IOByteCount filled = mSourceStream->Read(mBuffer.get(), mBufferSize);
        // A source that delivered fewer bytes than asked may stop short of the target.
        if (mSourceStream->GetCurrentPosition() == fillStart + static_cast<FilePosition>(filled) &&
            target - fillStart < static_cast<FilePosition>(filled)) {
            mEndIndex = filled;
            mReadIndex = static_cast<IOByteCount>(target - fillStart);
            return true;
        }
    }
    return false;
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
