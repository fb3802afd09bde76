#pragma once

#include "pdf/io/IOBasicTypes.h"

// Tells the current read position of some underlying reader.
class IReadPositionProvider
{
public:
    virtual ~IReadPositionProvider() = default;

    virtual FilePosition GetCurrentPosition() = 0;
};
