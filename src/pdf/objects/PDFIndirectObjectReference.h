#pragma once

#include <cstdint>

#include "pdf/objects/PDFObject.h"

// "n g R": a link to another object. Links between objects are always such values, never
// pointers, so parsed data has no reference cycles.
class PDFIndirectObjectReference : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectIndirectObjectReference;

    PDFIndirectObjectReference(std::uint32_t objectID, std::uint32_t generationNumber)
        : PDFObject(eType), ObjectID(objectID), GenerationNumber(generationNumber)
    {
    }

    std::uint32_t ObjectID;
    std::uint32_t GenerationNumber;

protected:
    ~PDFIndirectObjectReference() override = default;
};

// Object number and generation as one value, for sets and maps of the objects references lead
// to: two references lead to the same object exactly when their keys are equal.
constexpr std::uint64_t ReferenceKey(std::uint32_t objectID, std::uint32_t generation)
{
    return (static_cast<std::uint64_t>(objectID) << 32) | generation;
}
