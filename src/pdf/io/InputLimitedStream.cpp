#include "pdf/io/InputLimitedStream.h"

InputLimitedStream::InputLimitedStream(IByteReader* source, FilePosition limit, bool ownsSource)
    : mOwnsSource(ownsSource), mSourceStream(source), mMoreToRead(limit)
{
}

InputLimitedStream::~InputLimitedStream()
{
    if (mOwnsSource) {
        delete mSourceStream;
    }
}

void InputLimitedStream::Assign(IByteReader* source, FilePosition limit, bool ownsSource)
{
    if (mOwnsSource && mSourceStream != source) {
        delete mSourceStream;
    }
    mSourceStream = source;
    mMoreToRead = limit;
    mOwnsSource = ownsSource;
}

IOByteCount InputLimitedStream::Read(Byte* buffer, IOByteCount count)
{
    if (mSourceStream == nullptr || mMoreToRead <= 0) {
        return 0;
    }
    if (mMoreToRead < static_cast<FilePosition>(count)) {
        count = static_cast<IOByteCount>(mMoreToRead);
    }
    IOByteCount read = mSourceStream->Read(buffer, count);
    mMoreToRead -= read;
    return read;
}

bool InputLimitedStream::HasMore()
{
    return mSourceStream != nullptr && mMoreToRead > 0 && mSourceStream->HasMore();
}
