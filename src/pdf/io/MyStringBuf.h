#pragma once

#include <sstream>

#include "pdf/io/IOBasicTypes.h"

// A standard string buffer open for reading and writing (binary), which also tells where its
// read and write pointers stand.
class MyStringBuf : public std::stringbuf
{
public:
    MyStringBuf() : std::stringbuf(std::ios_base::in | std::ios_base::out | std::ios_base::binary)
    {
    }

    // Bytes between the start of the read area and the read pointer.
    FilePosition GetCurrentReadPosition() const { return gptr() - eback(); }
    // Bytes between the start of the write area and the write pointer.
    FilePosition GetCurrentWritePosition() const { return pptr() - pbase(); }
};
