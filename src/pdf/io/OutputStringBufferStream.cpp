#include "pdf/io/OutputStringBufferStream.h"

#include "pdf/io/MyStringBuf.h"

OutputStringBufferStream::OutputStringBufferStream() : mBuffer(new MyStringBuf()), mOwnsBuffer(true)
{
}

OutputStringBufferStream::OutputStringBufferStream(MyStringBuf* buffer)
    : mBuffer(buffer), mOwnsBuffer(false)
{
}

OutputStringBufferStream::~OutputStringBufferStream()
{
    if (mOwnsBuffer) {
        delete mBuffer;
    }
}

void OutputStringBufferStream::Assign(MyStringBuf* buffer)
{
    if (mOwnsBuffer && mBuffer != buffer) {
        delete mBuffer;
    }
    if (buffer == nullptr) {
        mBuffer = new MyStringBuf();
        mOwnsBuffer = true;
    } else {
        mBuffer = buffer;
        mOwnsBuffer = false;
    }
}

IOByteCount OutputStringBufferStream::Write(const Byte* buffer, IOByteCount count)
{
    if (mBuffer == nullptr || count == 0) {
        return 0;
    }
    std::streamsize written =
        mBuffer->sputn(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(count));
    return written < 0 ? 0 : static_cast<IOByteCount>(written);
}

FilePosition OutputStringBufferStream::GetCurrentPosition()
{
    return mBuffer != nullptr ? mBuffer->GetCurrentWritePosition() : 0;
}

std::string OutputStringBufferStream::ToString() const
{
    return mBuffer != nullptr ? mBuffer->str() : std::string();
}

void OutputStringBufferStream::Reset()
{
    if (mBuffer != nullptr) {
        mBuffer->str(std::string());
    }
}

void OutputStringBufferStream::SetPosition(FilePosition position)
{
    if (mBuffer == nullptr || position < 0) {
        return;
    }
    // seekpos refuses (and changes nothing for) a position beyond the content.
    (void)mBuffer->pubseekpos(static_cast<std::streamoff>(position),
                              std::ios_base::in | std::ios_base::out);
}
