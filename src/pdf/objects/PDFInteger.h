#pragma once

#include "pdf/objects/PDFObject.h"

// Every PDF integer, 64 bits wide; there is no 32-bit integer object.
class PDFInteger : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectInteger;

    explicit PDFInteger(long long value) : PDFObject(eType), mValue(value) {}

    long long GetValue() const { return mValue; }

protected:
    ~PDFInteger() override = default;

private:
    long long mValue;
};
