#include "pdf/io/OutputFileStream.h"

#include "platform/Platform.h"

OutputFileStream::OutputFileStream(const std::string& path, bool append)
{
    (void)Open(path, append); // the caller learns the outcome from IsOpen
}

OutputFileStream::~OutputFileStream()
{
    (void)Close(); // nothing to report to from a destructor; call Close to know
}

StatusCode OutputFileStream::Open(const std::string& path, bool append)
{
    (void)Close(); // the previous file is no longer wanted; only the new open matters
    mStream = platform::OpenFile(path, append ? "ab" : "wb");
    if (mStream == nullptr) {
        return Failure;
    }
    // "ab" may report position 0 until the first write; make it the file's size at once.
    (void)platform::SeekFile(mStream, 0, SEEK_END); // a fresh handle is always seekable to end
    return Success;
}

StatusCode OutputFileStream::Close()
{
    if (mStream == nullptr) {
        return Success;
    }
    int result = std::fclose(mStream);
    mStream = nullptr;
    return result == 0 ? Success : Failure;
}

IOByteCount OutputFileStream::Write(const Byte* buffer, IOByteCount count)
{
    if (mStream == nullptr || count == 0) {
        return 0;
    }
    return static_cast<IOByteCount>(std::fwrite(buffer, 1, count, mStream));
}

FilePosition OutputFileStream::GetCurrentPosition()
{
    if (mStream == nullptr) {
        return 0;
    }
    return platform::TellFile(mStream);
}

StatusCode OutputFileStream::FlushToDisk()
{
    if (mStream == nullptr) {
        return Failure;
    }
    return platform::FlushFileToDisk(mStream) ? Success : Failure;
}
