#pragma once

#include <cstdint>

#include "pdf/io/IOBasicTypes.h"

enum RegistryEntryState : std::uint8_t
{
    Free = 0,
    Used = 1
};

// What the writer knows about one object number: whether and where its object was written,
// and whether its line belongs in the cross-reference section being written.
// A store holds one record per entry, so the members are ordered to fit 16 bytes.
struct ObjectWriteInformation
{
    FilePosition mWritePosition = 0;
    std::uint32_t mGenerationNumber = 0;
    RegistryEntryState mObjectReferenceType = Used;
    bool mObjectWritten = false;
    bool mIsDirty = true;
};

static_assert(sizeof(ObjectWriteInformation) <= 16);
