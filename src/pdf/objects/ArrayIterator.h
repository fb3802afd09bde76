#pragma once

#include <vector>

#include "pdf/objects/PDFObject.h"

using PDFObjectVector = std::vector<PDFObject*>;

// Walks an array in order. Borrows the array, which must outlive the iterator and must not
// change while it is in use; the items it hands out are borrowed (never release them).
//     ArrayIterator it = array->GetItemIterator();
//     while (it.MoveNext()) { use(it.GetItem()); }
class ArrayIterator
{
public:
    explicit ArrayIterator(const PDFObjectVector& items)
        : mEnd(items.end()), mFirstMove(true), mCurrent(items.begin())
    {
    }

    // False at once on an empty array; the first true makes the first item current.
    bool MoveNext()
    {
        if (mCurrent == mEnd) {
            return false;
        }
        if (mFirstMove) {
            mFirstMove = false;
            return true;
        }
        ++mCurrent;
        return mCurrent != mEnd;
    }

    // Valid only after MoveNext returned true.
    PDFObject* GetItem() const { return *mCurrent; }

private:
    PDFObjectVector::const_iterator mEnd;
    bool mFirstMove;
    PDFObjectVector::const_iterator mCurrent;
};
