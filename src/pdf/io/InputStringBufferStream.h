#pragma once

#include "pdf/io/IByteReaderWithPosition.h"

class MyStringBuf;

// Reads an in-memory string buffer from its read pointer. Borrows the buffer.
class InputStringBufferStream : public IByteReaderWithPosition
{
public:
    InputStringBufferStream() = default;
    explicit InputStringBufferStream(MyStringBuf* buffer) : mBuffer(buffer) {}

    void Assign(MyStringBuf* buffer) { mBuffer = buffer; }

    IOByteCount Read(Byte* buffer, IOByteCount count) override;
    bool HasMore() override;

    // Moves the read and write positions; a position outside the content changes nothing.
    void SetPosition(FilePosition offsetFromStart) override;
    // Moves the read position offsetFromEnd bytes before the end of the content; an offset
    // outside the content changes nothing.
    void SetPositionFromEnd(FilePosition offsetFromEnd) override;
    FilePosition GetCurrentPosition() override;
    // Moves the read position forward, stopping at the end of the content.
    void Skip(IOByteCount count) override;

private:
    MyStringBuf* mBuffer = nullptr;
};
