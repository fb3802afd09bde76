#pragma once

#include <cstdio>
#include <string>

#include "pdf/io/IByteWriterWithPosition.h"
#include "pdf/io/StatusCode.h"

// Unbuffered writer over a file opened through the platform: "ab" when appending, "wb"
// (create or truncate) otherwise. Every operation on a closed stream does nothing and
// returns 0.
class OutputFileStream : public IByteWriterWithPosition
{
public:
    OutputFileStream() = default;
    OutputFileStream(const std::string& path, bool append);
    ~OutputFileStream() override;
    OutputFileStream(const OutputFileStream&) = delete;
    OutputFileStream& operator=(const OutputFileStream&) = delete;

    // Closes a handle already held first. On success the position is at the end of the file,
    // so an appending stream starts at the file's size.
    StatusCode Open(const std::string& path, bool append);
    // Failure when the library reports an error from closing (which includes writing out its
    // own buffer). Success when nothing is open.
    StatusCode Close();
    bool IsOpen() const { return mStream != nullptr; }

    IOByteCount Write(const Byte* buffer, IOByteCount count) override;
    FilePosition GetCurrentPosition() override;

    // Pushes the library's buffer to the system and asks it to put the data on disk.
    // Failure when closed or when either step fails.
    StatusCode FlushToDisk();

private:
    std::FILE* mStream = nullptr;
};
