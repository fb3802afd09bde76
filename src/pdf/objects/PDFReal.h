#pragma once

#include "pdf/objects/PDFObject.h"

class PDFReal : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectReal;

    explicit PDFReal(double value) : PDFObject(eType), mValue(value) {}

    double GetValue() const { return mValue; }

protected:
    ~PDFReal() override = default;

private:
    double mValue;
};
