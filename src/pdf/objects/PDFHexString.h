#pragma once

#include <string>
#include <utility>

#include "pdf/objects/PDFObject.h"

// Holds the characters between < and > exactly as written; the hexadecimal digits are not decoded.
class PDFHexString : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectHexString;

    explicit PDFHexString(std::string value) : PDFObject(eType), mValue(std::move(value)) {}

    const std::string& GetValue() const { return mValue; }

protected:
    ~PDFHexString() override = default;

private:
    std::string mValue;
};
