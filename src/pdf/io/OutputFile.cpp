#include "pdf/io/OutputFile.h"

#include "pdf/io/OutputBufferedStream.h"
#include "pdf/io/OutputFileStream.h"
#include "pdf/io/TraceLog.h"

OutputFile::OutputFile() = default;

OutputFile::~OutputFile()
{
    (void)CloseFile(); // a destructor cannot report; callers that care call CloseFile first
}

StatusCode OutputFile::OpenFile(const std::string& path, bool append, bool createNew)
{
    if (CloseFile() != Success) {
        TRACE_LOG(
            "OutputFile::OpenFile, Unexpected Failure. Couldn't close previously open file - %s",
            mFilePath.c_str());
        return Failure;
    }

    auto fileStream = std::make_unique<OutputFileStream>();
    if (fileStream->Open(path, append, createNew) != Success) {
        TRACE_LOG("OutputFile::OpenFile, Unexpected Failure. Cannot open file for writing - %s",
                  path.c_str());
        return Failure;
    }
    mFileStream = fileStream.get();
    mOutputStream = std::make_unique<OutputBufferedStream>(
        fileStream.release(), OutputBufferedStream::kDefaultBufferSize);
    mFilePath = path;
    return Success;
}

StatusCode OutputFile::CloseFile()
{
    if (!mOutputStream) {
        return Success;
    }
    // Both steps always run: the handle must be released even when bytes were lost.
    StatusCode flushResult = mOutputStream->Flush();
    StatusCode closeResult = mFileStream->Close();
    mOutputStream.reset(); // destroys the file stream too; its buffer is already empty
    mFileStream = nullptr;
    return flushResult == Success && closeResult == Success ? Success : Failure;
}

StatusCode OutputFile::FlushToDisk()
{
    if (!mOutputStream) {
        return Failure;
    }
    StatusCode flushResult = mOutputStream->Flush();
    StatusCode diskResult = mFileStream->FlushToDisk();
    return flushResult == Success && diskResult == Success ? Success : Failure;
}

StatusCode OutputFile::PushToSystem()
{
    if (!mOutputStream) {
        return Failure;
    }
    const StatusCode flushResult = mOutputStream->Flush();
    mFileStream->FlushBehindNow();
    return flushResult;
}

void OutputFile::EnableFlushBehind()
{
    if (mFileStream != nullptr) {
        mFileStream->EnableFlushBehind();
    }
}

IByteWriterWithPosition* OutputFile::GetOutputStream()
{
    return mOutputStream.get();
}
