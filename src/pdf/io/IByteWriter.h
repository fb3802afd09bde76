#pragma once

#include "pdf/io/IOBasicTypes.h"

// A sink of bytes. Write returns how many bytes it wrote; a short count is the only sign
// of failure.
class IByteWriter
{
public:
    virtual ~IByteWriter() = default;

    virtual IOByteCount Write(const Byte* buffer, IOByteCount count) = 0;
};
