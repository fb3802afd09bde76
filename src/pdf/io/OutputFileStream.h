#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/StatusCode.h"

// Unbuffered writer over a file opened through the platform: "ab" when appending, "wbx"
// (create a file that does not exist yet) when creating new, "wb" (create or truncate)
// otherwise. Every operation on a closed stream does nothing and
// returns 0.
//
// With flush-behind on, the file's data goes to disk while it is written, so that the final
// FlushToDisk has little left to do: every kFlushBehindInterval bytes the library's buffer is
// pushed to the system and a thread asks the system to put the data on disk. At most one such
// thread runs; when it is still busy at the next interval, that round is skipped, so writing
// never waits for the disk. The bytes in the file are the same with or without it.
class OutputFileStream : public IByteWriterWithPosition
{
public:
    static constexpr std::uint64_t kFlushBehindInterval = 2u << 20;

    OutputFileStream() = default;
    ~OutputFileStream() override;
    OutputFileStream(const OutputFileStream&) = delete;
    OutputFileStream& operator=(const OutputFileStream&) = delete;

    // Closes a handle already held first. On success the position is at the end of the file,
    // so an appending stream starts at the file's size.
    StatusCode Open(const std::string& path, bool append, bool createNew = false);
    // Waits for a running background flush, then closes. Failure when the library reports an
    // error from closing (which includes writing out its own buffer) or when bytes pushed out
    // at a flush-behind interval were refused. Success when nothing is open. Flush-behind is
    // off again afterwards.
    StatusCode Close();

    // Turns flush-behind on for the file now open (nothing happens when closed). dataSync
    // stands in for the system's data flush on the background thread; tests use it to make
    // that flush fail or take its time. Empty means the system's own.
    void EnableFlushBehind(std::function<bool()> dataSync = nullptr);

    // With flush-behind on, pushes what was written to the system and starts putting it on
    // disk now rather than at the next interval (unless a background flush still runs).
    void FlushBehindNow();

    IOByteCount Write(const Byte* buffer, IOByteCount count) override;
    FilePosition GetCurrentPosition() override;

    // Waits for a running background flush, then pushes the library's buffer to the system
    // and asks it to put the data on disk. Failure when closed, when either step fails, or
    // when an earlier flush-behind round failed (a push refused bytes or the system's data
    // flush reported an error): the data may not all be on disk then.
    StatusCode FlushToDisk();

private:
    void FlushBehind();
    void WaitForBackgroundFlush();

    std::FILE* mStream = nullptr;
    // Where the next byte goes, kept as bytes are written: the writer asks before every
    // object, and asking the system costs a call each time.
    FilePosition mPosition = 0;

    bool mFlushBehind = false;
    std::function<bool()> mDataSync; // empty: the system's data flush of mStream
    std::uint64_t mBytesSinceFlushBehind = 0;
    bool mPushFailed = false;
    std::thread mBackgroundFlush;
    std::atomic<bool> mBackgroundFlushRunning{false};
    std::atomic<bool> mBackgroundFlushFailed{false};
};
