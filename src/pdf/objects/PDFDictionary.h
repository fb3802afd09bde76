#pragma once

#include <string_view>

#include "pdf/objects/DictionaryIterator.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFObject.h"

// A map from name to object, ordered by the key text byte by byte (unsigned), keys unique by
// text. The dictionary owns one reference to each key and each value and releases them all
// when it is destroyed. Insertion order is not kept.
class PDFDictionary : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectDictionary;

    PDFDictionary() : PDFObject(eType) {}

    // Retains both and stores the pair, unless an entry with the same key text exists: then
    // the first entry stays and nothing is retained. Null key or value is ignored.
    void Insert(PDFName* key, PDFObject* value);

    bool Contains(std::string_view key) const;
    // Hands one reference to the caller (release it); null when the key is absent. Matches only
    // a key that is byte-for-byte equal (case matters).
    PDFObject* Lookup(std::string_view key) const;

    std::size_t GetLength() const { return mValues.size(); }
    DictionaryIterator GetEntryIterator() const { return DictionaryIterator(mValues); }

protected:
    ~PDFDictionary() override;

private:
    PDFNameToPDFObjectMap mValues;
};
