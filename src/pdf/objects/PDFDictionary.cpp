#include "pdf/objects/PDFDictionary.h"

#include <iterator>

PDFDictionary::~PDFDictionary()
{
    for (auto& [key, value] : mValues) {
        key->Release();
        value->Release();
    }
}

void PDFDictionary::Insert(PDFName* key, PDFObject* value)
{
    if (key == nullptr || value == nullptr) {
        return;
    }
    const std::string_view text(key->GetValue());
    // Parsed dictionaries mostly arrive with their keys in ascending order: then one
    // comparison with the last key finds the place, and the search is skipped.
    auto position = mValues.end();
    if (!mValues.empty() && !(std::string_view(std::prev(position)->first->GetValue()) < text)) {
        position = mValues.lower_bound(text);
        if (position != mValues.end() && !(text < std::string_view(position->first->GetValue()))) {
            return;
        }
    }
    key->Retain();
    value->Retain();
    mValues.emplace_hint(position, key, value);
}

bool PDFDictionary::Contains(std::string_view key) const
{
    // A key beyond the last one cannot be present; the common case while parsing.
    if (mValues.empty() || std::string_view(mValues.rbegin()->first->GetValue()) < key) {
        return false;
    }
    return mValues.find(key) != mValues.end();
}

PDFObject* PDFDictionary::Lookup(std::string_view key) const
{
    auto found = mValues.find(key);
    if (found == mValues.end()) {
        return nullptr;
    }
    found->second->Retain();
    return found->second;
}
