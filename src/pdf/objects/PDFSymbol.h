#pragma once

#include <string>
#include <utility>

#include "pdf/objects/PDFObject.h"

// Holds a bare keyword token that is not a number, boolean or null (obj, endobj, startxref, ...).
class PDFSymbol : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectSymbol;

    explicit PDFSymbol(std::string value) : PDFObject(eType), mValue(std::move(value)) {}

    const std::string& GetValue() const { return mValue; }

protected:
    ~PDFSymbol() override = default;

private:
    std::string mValue;
};
