#pragma once

#include "pdf/io/IByteReader.h"

// A reader that can seek. GetCurrentPosition is the position of the next byte delivered.
class IByteReaderWithPosition : public IByteReader
{
public:
    ~IByteReaderWithPosition() override = default;

    virtual void SetPosition(FilePosition offsetFromStart) = 0;
    virtual void SetPositionFromEnd(FilePosition offsetFromEnd) = 0;
    virtual FilePosition GetCurrentPosition() = 0;
    virtual void Skip(IOByteCount count) = 0;
};
