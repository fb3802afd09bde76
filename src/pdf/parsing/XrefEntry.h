#pragma once

#include <cstdint>
#include <vector>

#include "pdf/io/IOBasicTypes.h"

// Object numbers of the reader and the writer; 0 is never an object of a written file.
using ObjectNumber = std::uint32_t;

enum XrefEntryType : std::uint32_t
{
    XrefEntryInFile = 0,
    XrefEntryFree = 1,
    XrefEntryInObjectStream = 2,
    XrefEntryUndefined = 3
};

// One cross-reference table entry. For objects in an object stream, mPosition holds the
// object-stream number and mGeneration the index within it.
struct XrefEntry
{
    FilePosition mPosition = 0;
    std::uint32_t mGeneration = 0;
    XrefEntryType mType = XrefEntryUndefined;
};

// Indexed by object number; its size is the table size.
using XrefTable = std::vector<XrefEntry>;
