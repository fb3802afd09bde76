#pragma once

#include <cstdint>

#include "pdf/io/IOBasicTypes.h"

enum RegistryEntryState
{
    Free = 0,
    Used = 1
};

// What the writer knows about one object number: whether and where its object was written,
// and whether its line belongs in the cross-reference section being written.
struct ObjectWriteInformation
{
    bool mObjectWritten = false;
    bool mIsDirty = true;
    FilePosition mWritePosition = 0;
    RegistryEntryState mObjectReferenceType = Used;
    std::uint32_t mGenerationNumber = 0;
};
