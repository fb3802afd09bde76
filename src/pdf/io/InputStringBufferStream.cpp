#include "pdf/io/InputStringBufferStream.h"

#include "pdf/io/MyStringBuf.h"

namespace {

constexpr std::ios_base::openmode kBoth = std::ios_base::in | std::ios_base::out;

// Size of the content, written bytes included, without moving anything.
FilePosition ContentSize(MyStringBuf& buffer)
{
    std::streampos current = buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    std::streampos end = buffer.pubseekoff(0, std::ios_base::end, std::ios_base::in);
    (void)buffer.pubseekpos(current, std::ios_base::in); // it was valid a moment ago
    return end < 0 ? 0 : static_cast<FilePosition>(end);
}

} // namespace

IOByteCount InputStringBufferStream::Read(Byte* buffer, IOByteCount count)
{
    if (mBuffer == nullptr || count == 0) {
        return 0;
    }
    std::streamsize read =
        mBuffer->sgetn(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return read < 0 ? 0 : static_cast<IOByteCount>(read);
}

bool InputStringBufferStream::HasMore()
{
    return mBuffer != nullptr && mBuffer->in_avail() > 0;
}

void InputStringBufferStream::SetPosition(FilePosition offsetFromStart)
{
    if (mBuffer == nullptr || offsetFromStart < 0 || offsetFromStart > ContentSize(*mBuffer)) {
        return;
    }
    (void)mBuffer->pubseekpos(static_cast<std::streamoff>(offsetFromStart), kBoth);
}

void InputStringBufferStream::SetPositionFromEnd(FilePosition offsetFromEnd)
{
    if (mBuffer == nullptr) {
        return;
    }
    FilePosition size = ContentSize(*mBuffer);
    if (offsetFromEnd < 0 || offsetFromEnd > size) {
        return;
    }
    (void)mBuffer->pubseekpos(static_cast<std::streamoff>(size - offsetFromEnd), std::ios_base::in);
}

FilePosition InputStringBufferStream::GetCurrentPosition()
{
    return mBuffer != nullptr ? mBuffer->GetCurrentReadPosition() : 0;
}

void InputStringBufferStream::Skip(IOByteCount count)
{
    if (mBuffer == nullptr) {
        return;
    }
    FilePosition target = mBuffer->GetCurrentReadPosition() + count;
    FilePosition size = ContentSize(*mBuffer);
    (void)mBuffer->pubseekpos(static_cast<std::streamoff>(target < size ? target : size),
                              std::ios_base::in);
}
