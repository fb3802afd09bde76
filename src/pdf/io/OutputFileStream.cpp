#include "pdf/io/OutputFileStream.h"

#include <system_error>
#include <utility>

#include "platform/Platform.h"

OutputFileStream::~OutputFileStream()
{
    (void)Close(); // nothing to report to from a destructor; call Close to know
}

StatusCode OutputFileStream::Open(const std::string& path, bool append, bool createNew)
{
    (void)Close(); // the previous file is no longer wanted; only the new open matters
    mStream = platform::OpenFile(path, append ? "ab" : (createNew ? "wbx" : "wb"));
    if (mStream == nullptr) {
        return Failure;
    }
    // Callers write in large pieces of their own: the library's buffer would only split them.
    (void)std::setvbuf(mStream, nullptr, _IONBF, 0); // a buffered stream works the same
    // "ab" may report position 0 until the first write; make it the file's size at once.
    (void)platform::SeekFile(mStream, 0, SEEK_END); // a fresh handle is always seekable to end
    mPosition = platform::TellFile(mStream);
    return Success;
}

StatusCode OutputFileStream::Close()
{
    if (mStream == nullptr) {
        return Success;
    }
    // The background thread uses the file's handle: it must be done before the handle goes.
    WaitForBackgroundFlush();
    int result = std::fclose(mStream);
    mStream = nullptr;
    const bool pushFailed = mPushFailed;
    mFlushBehind = false;
    mDataSync = nullptr;
    mBytesSinceFlushBehind = 0;
    mPushFailed = false;
    mBackgroundFlushFailed = false;
    return result == 0 && !pushFailed ? Success : Failure;
}

void OutputFileStream::EnableFlushBehind(std::function<bool()> dataSync)
{
    if (mStream == nullptr) {
        return;
    }
    mFlushBehind = true;
    mDataSync = std::move(dataSync);
}

IOByteCount OutputFileStream::Write(const Byte* buffer, IOByteCount count)
{
    if (mStream == nullptr || count == 0) {
        return 0;
    }
    IOByteCount written = static_cast<IOByteCount>(std::fwrite(buffer, 1, count, mStream));
    mPosition += written;
    if (mFlushBehind) {
        mBytesSinceFlushBehind += written;
        if (mBytesSinceFlushBehind >= kFlushBehindInterval) {
            FlushBehind();
        }
    }
    return written;
}

void OutputFileStream::FlushBehindNow()
{
    if (mStream != nullptr && mFlushBehind) {
        FlushBehind();
    }
}

void OutputFileStream::FlushBehind()
{
    mBytesSinceFlushBehind = 0;
    // A failed push may drop the library's buffer without a later flush or close noticing;
    // remember it, those bytes are lost.
    if (std::fflush(mStream) != 0) {
        mPushFailed = true;
        return;
    }
    if (mBackgroundFlushRunning.load(std::memory_order_acquire)) {
        return; // the disk is still at the last round; this one's bytes go with the next
    }
    if (mBackgroundFlush.joinable()) {
        mBackgroundFlush.join(); // finished already: only its end is collected
    }
    std::function<bool()> dataSync = mDataSync;
    if (!dataSync) {
        dataSync = [handle = platform::SystemFileHandle(mStream)]() {
            return platform::SyncFileDataToDisk(handle);
        };
    }
    mBackgroundFlushRunning.store(true, std::memory_order_release);
    try {
        mBackgroundFlush = std::thread([this, dataSync = std::move(dataSync)]() {
            if (!dataSync()) {
                mBackgroundFlushFailed.store(true, std::memory_order_release);
            }
            mBackgroundFlushRunning.store(false, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the final FlushToDisk puts these bytes on disk as well.
        mBackgroundFlushRunning.store(false, std::memory_order_release);
    }
}

void OutputFileStream::WaitForBackgroundFlush()
{
    if (mBackgroundFlush.joinable()) {
        mBackgroundFlush.join();
    }
}

FilePosition OutputFileStream::GetCurrentPosition()
{
    if (mStream == nullptr) {
        return 0;
    }
    return mPosition;
}

StatusCode OutputFileStream::FlushToDisk()
{
    if (mStream == nullptr) {
        return Failure;
    }
    WaitForBackgroundFlush();
    mBytesSinceFlushBehind = 0;
    const bool flushed = platform::FlushFileToDisk(mStream);
    const bool behindFailed = mPushFailed || mBackgroundFlushFailed.load(std::memory_order_acquire);
    return flushed && !behindFailed ? Success : Failure;
}
