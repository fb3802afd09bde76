#pragma once

#include <map>

#include "pdf/objects/PDFNameLess.h"
#include "pdf/objects/PDFObject.h"

using PDFNameToPDFObjectMap = std::map<PDFName*, PDFObject*, PDFNameLess>;

// Walks a dictionary in key order. Borrows the dictionary, which must outlive the iterator
// and must not change while it is in use; the keys and values it hands out are borrowed too
// (no reference is added, never release them).
//     DictionaryIterator it = dictionary->GetEntryIterator();
//     while (it.MoveNext()) { use(it.GetKey(), it.GetValue()); }
class DictionaryIterator
{
public:
    explicit DictionaryIterator(const PDFNameToPDFObjectMap& map)
        : mEnd(map.end()), mFirstMove(true), mCurrent(map.begin())
    {
    }

    // False at once on an empty dictionary; the first true makes the first entry current.
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
    PDFName* GetKey() const { return mCurrent->first; }
    PDFObject* GetValue() const { return mCurrent->second; }

private:
    PDFNameToPDFObjectMap::const_iterator mEnd;
    bool mFirstMove;
    PDFNameToPDFObjectMap::const_iterator mCurrent;
};
