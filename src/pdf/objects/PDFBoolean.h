#pragma once

#include "pdf/objects/PDFObject.h"

class PDFBoolean : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectBoolean;

    explicit PDFBoolean(bool value) : PDFObject(eType), mValue(value) {}

    bool GetValue() const { return mValue; }

protected:
    ~PDFBoolean() override = default;

private:
    bool mValue;
};
