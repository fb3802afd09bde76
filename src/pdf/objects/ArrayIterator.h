#pragma once

#include <vector>

#include "pdf/objects/ContainerIterator.h"
#include "pdf/objects/PDFObject.h"

using PDFObjectVector = std::vector<PDFObject*>;

// Walks an array in order. Borrows the array, which must outlive the iterator and must not
// change while it is in use; the items it hands out are borrowed (never release them).
//     ArrayIterator it = array->GetItemIterator();
//     while (it.MoveNext()) { use(it.GetItem()); }
class ArrayIterator : public ContainerIterator<PDFObjectVector::const_iterator>
{
public:
    explicit ArrayIterator(const PDFObjectVector& items)
        : ContainerIterator(items.begin(), items.end())
    {
    }

    // Valid only after MoveNext returned true.
    PDFObject* GetItem() const { return *Current(); }
};
