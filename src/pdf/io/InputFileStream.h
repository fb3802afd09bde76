#pragma once

#include <cstdio>
#include <string>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/StatusCode.h"

// Unbuffered reader over a file opened "rb" through the platform (UTF-8 path, shared with
// other processes, 64-bit positions). Every operation on a closed stream does nothing and
// returns 0 or false.
class InputFileStream : public IByteReaderWithPosition
{
public:
    InputFileStream() = default;
    // Opens at once; check GetCurrentPosition/HasMore or use Open for a result.
    explicit InputFileStream(const std::string& path);
    ~InputFileStream() override;
    InputFileStream(const InputFileStream&) = delete;
    InputFileStream& operator=(const InputFileStream&) = delete;

    // Closes a handle already held first (its close status is dropped: the new file is what
    // the caller asked for), so a second Open never leaks the first handle.
    StatusCode Open(const std::string& path);
    // Failure when the library reports an error from closing. Success when nothing is open.
    StatusCode Close();

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    // True until a read reaches the end of the file; a successful seek makes it true again.
    bool HasMore() override;

    void SetPosition(FilePosition offsetFromStart) override;
    // offsetFromEnd bytes before the end; an offset beyond the start (or negative) lands at
    // the start of the file.
    void SetPositionFromEnd(FilePosition offsetFromEnd) override;
    FilePosition GetCurrentPosition() override;
    void Skip(IOByteCount count) override;

    // Size of the file, measured by seeking to the end and back; 0 when closed.
    FilePosition GetFileSize();

private:
    std::FILE* mStream = nullptr;
    // The position, kept as reads and seeks move it: asking the system costs a call each
    // time, and the document reader asks before nearly every object. -1 when not known (after
    // a seek from the end or one that failed); it is then asked for once.
    FilePosition mPosition = -1;
};
