#pragma once

#include <cstdint>

#include "pdf/objects/PDFObject.h"

class PDFDictionary;

// A stream object as read from a file: its dictionary and the file offset of the first data
// byte. The data itself is not held; readers open it from the data start.
class PDFStreamInput : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectStream;

    // Takes over the caller's reference to the dictionary (no Retain); the stream releases it
    // when destroyed. dataStart is a file position (FilePosition, 64-bit signed).
    PDFStreamInput(PDFDictionary* streamDictionary, std::int64_t dataStart);

    // Hands one reference to the caller (release it); null only if constructed with null.
    PDFDictionary* GetDictionary() const;
    std::int64_t GetDataStart() const { return mDataStart; }

protected:
    ~PDFStreamInput() override;

private:
    PDFDictionary* mDictionary;
    std::int64_t mDataStart;
};
