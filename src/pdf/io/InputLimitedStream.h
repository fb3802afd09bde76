#pragma once

#include "pdf/io/IByteReader.h"

// Passes on at most a fixed number of bytes of its source, then reports no more data. Deletes
// the source only when told to: the reader stacks these on the document's own stream, which
// must survive them.
class InputLimitedStream : public IByteReader
{
public:
    InputLimitedStream() = default;
    InputLimitedStream(IByteReader* source, FilePosition limit, bool ownsSource);
    ~InputLimitedStream() override;
    InputLimitedStream(const InputLimitedStream&) = delete;
    InputLimitedStream& operator=(const InputLimitedStream&) = delete;

    // Replaces source, limit and ownership. A previously owned source is destroyed, unless it
    // is the very pointer assigned again (that would free the new source).
    void Assign(IByteReader* source, FilePosition limit, bool ownsSource);

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    // The source has more and some of the limit remains.
    bool HasMore() override;

private:
    bool mOwnsSource = false;
    IByteReader* mSourceStream = nullptr;
    FilePosition mMoreToRead = 0;
};
