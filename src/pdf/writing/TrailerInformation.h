#pragma once

#include <map>
#include <string>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/writing/ObjectReference.h"
#include "pdf/writing/PDFDate.h"

// The document information entries. Empty unless a caller fills it; an empty one is not
// written.
struct InfoDictionary
{
    enum ETrapped
    {
        ETrappedTrue = 0,
        ETrappedFalse = 1,
        ETrappedUndefined = 2
    };

    std::string Title;
    std::string Author;
    std::string Subject;
    std::string Keywords;
    std::string Creator;
    std::string Producer;
    PDFDate CreationDate;
    PDFDate ModDate;
    ETrapped Trapped = ETrappedUndefined;
    std::map<std::string, std::string> mAdditionalInfoEntries;

    bool IsEmpty() const
    {
        return Title.empty() && Author.empty() && Subject.empty() && Keywords.empty() &&
               Creator.empty() && Producer.empty() && CreationDate.IsNull() && ModDate.IsNull() &&
               Trapped == ETrappedUndefined && mAdditionalInfoEntries.empty();
    }
};

// What the trailer may carry besides Size, Root and ID. Empty after construction and after
// DocumentContext::Cleanup.
struct TrailerInformation
{
    FilePosition mPrev = 0;
    ObjectReference mRootReference;
    ObjectReference mEncryptReference;
    InfoDictionary mInfoDictionary;
    ObjectReference mInfoDictionaryReference;
};
