#pragma once

#include <cstdint>

// Object numbers of a written file. 0 heads the free list and is never handed out.
using ObjectNumber = std::uint32_t;

// A reference to an indirect object; an ObjectID of 0 means "no reference".
struct ObjectReference
{
    ObjectNumber ObjectID = 0;
    std::uint32_t GenerationNumber = 0;

    ObjectReference() = default;
    ObjectReference(ObjectNumber objectID, std::uint32_t generationNumber)
        : ObjectID(objectID), GenerationNumber(generationNumber)
    {
    }
};
