#include "pdf/objects/PDFDictionary.h"

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
    if (mValues.find(std::string_view(key->GetValue())) != mValues.end()) {
        return;
    }
    key->Retain();
    value->Retain();
    mValues.emplace(key, value);
}

bool PDFDictionary::Contains(std::string_view key) const
{
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
