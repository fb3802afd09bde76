#pragma once

#include "pdf/io/IByteWriter.h"

// A writer that knows how many bytes went through it, buffered bytes included.
class IByteWriterWithPosition : public IByteWriter
{
public:
    ~IByteWriterWithPosition() override = default;

    virtual FilePosition GetCurrentPosition() = 0;
};
