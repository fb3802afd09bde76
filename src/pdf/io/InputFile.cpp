#include "pdf/io/InputFile.h"

#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/InputFileStream.h"
#include "pdf/io/TraceLog.h"

InputFile::InputFile() = default;

InputFile::~InputFile()
{
    (void)CloseFile(); // nothing to report to; the file was only read
}

StatusCode InputFile::OpenFile(const std::string& path)
{
    if (CloseFile() != Success) {
        TRACE_LOG(
            "InputFile::OpenFile, Unexpected Failure. Couldn't close previously open file - %s",
            mFilePath.c_str());
        return Failure;
    }

    auto fileStream = std::make_unique<InputFileStream>();
    if (fileStream->Open(path) != Success) {
        TRACE_LOG("InputFile::OpenFile, Unexpected Failure. Cannot open file for reading - %s",
                  path.c_str());
        return Failure;
    }
    mFileStream = fileStream.get();
    mInputStream = std::make_unique<InputBufferedStream>(fileStream.release(),
                                                         InputBufferedStream::kDefaultBufferSize);
    mFilePath = path;
    return Success;
}

StatusCode InputFile::CloseFile()
{
    if (!mInputStream) {
        return Success;
    }
    StatusCode result = mFileStream->Close();
    mInputStream.reset(); // destroys the file stream too
    mFileStream = nullptr;
    return result;
}

IByteReaderWithPosition* InputFile::GetInputStream()
{
    return mInputStream.get();
}

FilePosition InputFile::GetFileSize()
{
    return mFileStream != nullptr ? mFileStream->GetFileSize() : 0;
}
