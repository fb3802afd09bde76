#pragma once

#include <memory>
#include <string>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"

class IByteReaderWithPosition;
class InputBufferedStream;
class InputFileStream;

// A file opened for reading through a 256 KB buffered reader. Closed after construction,
// open after a successful OpenFile, closed again after CloseFile or a failed OpenFile.
class InputFile
{
public:
    InputFile();
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Closes a file already open first. Traces and returns Failure when the old file cannot
    // be closed or the new one cannot be opened; the wrapper is then closed.
    StatusCode OpenFile(const std::string& path);
    // Success when nothing is open; otherwise the status of closing the handle.
    StatusCode CloseFile();

    // Borrowed; valid until the next OpenFile, CloseFile or destruction. Null when closed.
    IByteReaderWithPosition* GetInputStream();
    // The path of the last file opened successfully (UTF-8).
    const std::string& GetFilePath() const { return mFilePath; }
    // 0 when closed. Does not disturb the read position or the buffer.
    FilePosition GetFileSize();

private:
    std::string mFilePath;
    std::unique_ptr<InputBufferedStream> mInputStream;
    InputFileStream* mFileStream = nullptr; // the buffered reader's source, owned by it
};
