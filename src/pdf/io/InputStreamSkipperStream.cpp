#include "pdf/io/InputStreamSkipperStream.h"

#include <algorithm>

InputStreamSkipperStream::InputStreamSkipperStream(IByteReader* source) : mSourceStream(source)
{
}

InputStreamSkipperStream::~InputStreamSkipperStream()
{
    delete mSourceStream;
}

void InputStreamSkipperStream::Assign(IByteReader* source)
{
    if (source != mSourceStream) {
        delete mSourceStream;
    }
    mSourceStream = source;
    mReadCount = 0;
}

IOByteCount InputStreamSkipperStream::Read(Byte* buffer, IOByteCount count)
{
    if (mSourceStream == nullptr) {
        return 0;
    }
    IOByteCount read = mSourceStream->Read(buffer, count);
    mReadCount += read;
    return read;
}

bool InputStreamSkipperStream::HasMore()
{
    return mSourceStream != nullptr && mSourceStream->HasMore();
}

FilePosition InputStreamSkipperStream::GetCurrentPosition()
{
    return mReadCount;
}

bool InputStreamSkipperStream::CanSkipTo(FilePosition position) const
{
    return position >= mReadCount;
}

void InputStreamSkipperStream::SkipTo(FilePosition position)
{
    if (!CanSkipTo(position)) {
        return;
    }
    SkipBy(position - mReadCount);
}

void InputStreamSkipperStream::SkipBy(FilePosition count)
{
    // Reads in small chunks, never past the distance asked for. Stops when the source ends or
    // delivers nothing, so a source that keeps claiming more without delivering cannot hang us.
    constexpr IOByteCount kChunkSize = 4096;
    Byte discard[kChunkSize];
    while (count > 0 && HasMore()) {
        IOByteCount chunk = count < static_cast<FilePosition>(kChunkSize)
                                ? static_cast<IOByteCount>(count)
                                : kChunkSize;
        IOByteCount read = Read(discard, chunk);
        if (read == 0) {
            break;
        }
        count -= read;
    }
}

void InputStreamSkipperStream::Reset()
{
    mReadCount = 0;
}
