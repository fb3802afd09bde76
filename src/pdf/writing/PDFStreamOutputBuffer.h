#pragma once

#include <string>

#include "pdf/io/IByteWriterWithPosition.h"

// In-memory collector for the data of a stream whose length is written directly into its
// dictionary. Grows with what is written; nothing else.
class PDFStreamOutputBuffer : public IByteWriterWithPosition
{
public:
    IOByteCount Write(const Byte* buffer, IOByteCount count) override
    {
        mBytes.append(reinterpret_cast<const char*>(buffer), count);
        return count;
    }
    FilePosition GetCurrentPosition() override { return static_cast<FilePosition>(mBytes.size()); }

    const std::string& GetBytes() const { return mBytes; }

private:
    std::string mBytes;
};
