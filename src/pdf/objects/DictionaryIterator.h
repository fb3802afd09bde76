#pragma once

#include <map>

#include "pdf/objects/ContainerIterator.h"
#include "pdf/objects/PDFNameLess.h"
#include "pdf/objects/PDFObject.h"

using PDFNameToPDFObjectMap = std::map<PDFName*, PDFObject*, PDFNameLess>;

// Walks a dictionary in key order. Borrows the dictionary, which must outlive the iterator
// and must not change while it is in use; the keys and values it hands out are borrowed too
// (no reference is added, never release them).
//     DictionaryIterator it = dictionary->GetEntryIterator();
//     while (it.MoveNext()) { use(it.GetKey(), it.GetValue()); }
class DictionaryIterator : public ContainerIterator<PDFNameToPDFObjectMap::const_iterator>
{
public:
    explicit DictionaryIterator(const PDFNameToPDFObjectMap& map)
        : ContainerIterator(map.begin(), map.end())
    {
    }

    // Valid only after MoveNext returned true.
    PDFName* GetKey() const { return Current()->first; }
    PDFObject* GetValue() const { return Current()->second; }
};
