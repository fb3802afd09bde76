#pragma once

#include <cstdint>

#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/PDFObject.h"

// A sequence of objects in insertion order. The array owns one reference to each item and
// releases them all when it is destroyed.
class PDFArray : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectArray;

    PDFArray() : PDFObject(eType) {}

    // Adds the array's own reference; the caller keeps (and later releases) its own.
    // A null item is ignored.
    void Append(PDFObject* item);

    std::uint32_t GetLength() const;
    // Hands one reference to the caller (release it); null when index >= GetLength().
    PDFObject* GetItem(std::uint32_t index) const;
    ArrayIterator GetItemIterator() const { return ArrayIterator(mItems); }

protected:
    ~PDFArray() override;

private:
    PDFObjectVector mItems;
};
