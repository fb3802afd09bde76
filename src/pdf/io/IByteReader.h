#pragma once

#include "pdf/io/IOBasicTypes.h"

// A source of bytes. Read copies at most count bytes and returns how many it copied;
// a short count means the end was reached or an error occurred. HasMore is false once
// nothing more can be delivered; a reader may say true and then deliver 0 bytes.
class IByteReader
{
public:
    virtual ~IByteReader() = default;

    virtual IOByteCount Read(Byte* buffer, IOByteCount count) = 0;
    virtual bool HasMore() = 0;
};
