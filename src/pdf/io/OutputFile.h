#pragma once

#include <memory>
#include <string>

#include "pdf/io/StatusCode.h"

class IByteWriterWithPosition;
class OutputBufferedStream;
class OutputFileStream;

// A file opened for writing through a 256 KB buffered writer. Bytes written are sure to be in
// the file only after CloseFile (or destruction) or FlushToDisk.
class OutputFile
{
public:
    OutputFile();
    // Closes as CloseFile does; a failure there cannot be reported: call CloseFile to know.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // append: keep the content and write after it ("ab"), else create or truncate ("wb"), or
    // with createNew create a file that must not exist yet, never following a link ("wbx").
    // Closes a file already open first. Traces and returns Failure when the old file cannot be
    // closed or the new one cannot be opened; the wrapper is then closed.
    StatusCode OpenFile(const std::string& path, bool append = false, bool createNew = false);
    // Success when nothing is open. Failure when buffered bytes could not all be written or
    // closing the handle failed: bytes were lost.
    StatusCode CloseFile();
    // Writes out the buffer and asks the system to put the file's data on disk; the file stays
    // open. Failure when closed, when any byte could not be written, or when putting data on
    // disk behind the writer failed (see EnableFlushBehind).
    StatusCode FlushToDisk();
    // Writes out the buffer, so that a reader of the file sees every byte written so far, and
    // with flush-behind on starts putting them on disk. Failure when closed or when any byte
    // could not be written.
    StatusCode PushToSystem();
    // For the file now open: puts its data on disk while it is being written, for a file that
    // will end with FlushToDisk (OutputFileStream::EnableFlushBehind tells how). The bytes in
    // the file stay the same. Does nothing when closed.
    void EnableFlushBehind();

    // Borrowed; valid until the next OpenFile, CloseFile or destruction. Null when closed.
    IByteWriterWithPosition* GetOutputStream();
    // The path of the last file opened successfully (UTF-8).
    const std::string& GetFilePath() const { return mFilePath; }

private:
    std::string mFilePath;
    std::unique_ptr<OutputBufferedStream> mOutputStream;
    OutputFileStream* mFileStream = nullptr; // the buffered writer's target, owned by it
};
