#include "pdf/io/InputFileStream.h"

#include "platform/Platform.h"

namespace {

// A successful seek makes the end-of-file indicator false again; some C runtimes leave it set,
// so it is cleared here, and HasMore behaves alike everywhere.
int SeekAndClear(std::FILE* stream, FilePosition offset, int origin)
{
    int result = platform::SeekFile(stream, offset, origin);
    if (result == 0) {
        std::clearerr(stream);
    }
    return result;
}

} // namespace

InputFileStream::InputFileStream(const std::string& path)
{
    (void)Open(path); // the caller learns the outcome from IsOpen
}

InputFileStream::~InputFileStream()
{
    (void)Close(); // nothing to report to from a destructor; the file was only read
}

StatusCode InputFileStream::Open(const std::string& path)
{
    (void)Close(); // the previous file is no longer wanted; only the new open matters
    mStream = platform::OpenFile(path, "rb");
    mPosition = 0;
    return mStream != nullptr ? Success : Failure;
}

StatusCode InputFileStream::Close()
{
    if (mStream == nullptr) {
        return Success;
    }
    int result = std::fclose(mStream);
    mStream = nullptr;
    return result == 0 ? Success : Failure;
}

IOByteCount InputFileStream::Read(Byte* buffer, IOByteCount count)
{
    if (mStream == nullptr || count == 0) {
        return 0;
    }
    const auto read = static_cast<IOByteCount>(std::fread(buffer, 1, count, mStream));
    if (mPosition >= 0) {
        mPosition += read;
    }
    return read;
}

bool InputFileStream::HasMore()
{
    return mStream != nullptr && std::feof(mStream) == 0;
}

void InputFileStream::SetPosition(FilePosition offsetFromStart)
{
    if (mStream == nullptr) {
        return;
    }
    // A bad offset leaves the file where it was, which is then asked for.
    mPosition = SeekAndClear(mStream, offsetFromStart, SEEK_SET) == 0 ? offsetFromStart : -1;
}

void InputFileStream::SetPositionFromEnd(FilePosition offsetFromEnd)
{
    if (mStream == nullptr) {
        return;
    }
    // A negative offset would mean "after the end" (and the most negative one cannot be
    // negated): treat it like an offset the file cannot satisfy.
    if (offsetFromEnd < 0 || SeekAndClear(mStream, -offsetFromEnd, SEEK_END) != 0) {
        (void)SeekAndClear(mStream, 0, SEEK_SET); // the start always exists
    }
    mPosition = -1;
}

FilePosition InputFileStream::GetCurrentPosition()
{
    if (mStream == nullptr) {
        return 0;
    }
    if (mPosition < 0) {
        mPosition = platform::TellFile(mStream);
    }
    return mPosition;
}

void InputFileStream::Skip(IOByteCount count)
{
    if (mStream == nullptr) {
        return;
    }
    // A failed seek leaves the file where it was, which is then asked for.
    if (SeekAndClear(mStream, count, SEEK_CUR) != 0 || mPosition < 0) {
        mPosition = -1;
    } else {
        mPosition += count;
    }
}

FilePosition InputFileStream::GetFileSize()
{
    if (mStream == nullptr) {
        return 0;
    }
    FilePosition current = platform::TellFile(mStream);
    if (platform::SeekFile(mStream, 0, SEEK_END) != 0) {
        return 0;
    }
    FilePosition size = platform::TellFile(mStream);
    if (platform::SeekFile(mStream, current, SEEK_SET) != 0) {
        mPosition = -1; // not back where it was
    }
    return size < 0 ? 0 : size;
}
