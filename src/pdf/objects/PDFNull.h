#pragma once

#include "pdf/objects/PDFObject.h"

class PDFNull : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectNull;

    PDFNull() : PDFObject(eType) {}

protected:
    ~PDFNull() override = default;
};
