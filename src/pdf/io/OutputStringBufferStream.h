#pragma once

#include <string>

#include "pdf/io/IByteWriterWithPosition.h"

class MyStringBuf;

// Writes into an in-memory string buffer, its own or a borrowed one.
class OutputStringBufferStream : public IByteWriterWithPosition
{
public:
    // Creates and owns its buffer.
    OutputStringBufferStream();
    // Borrows buffer, which must outlive the stream (or be replaced by Assign).
    explicit OutputStringBufferStream(MyStringBuf* buffer);
    ~OutputStringBufferStream() override;
    OutputStringBufferStream(const OutputStringBufferStream&) = delete;
    OutputStringBufferStream& operator=(const OutputStringBufferStream&) = delete;

    // Null: creates and owns a fresh buffer. Otherwise borrows the given one. A buffer owned
    // before is destroyed (unless it is the one given).
    void Assign(MyStringBuf* buffer);

    // Writes at the write pointer, growing the buffer as needed.
    IOByteCount Write(const Byte* buffer, IOByteCount count) override;
    FilePosition GetCurrentPosition() override;

    // A copy of the whole content.
    std::string ToString() const;
    // Empties the buffer; both positions return to 0.
    void Reset();
    // Moves read and write positions to position from the start; ignored beyond the content.
    void SetPosition(FilePosition position);

private:
    MyStringBuf* mBuffer = nullptr;
    bool mOwnsBuffer = false;
};
