#pragma once

#include <string>
#include <utility>

#include "pdf/objects/PDFObject.h"

// Holds the bytes of a literal string after escape processing, without the parentheses; any byte,
// NUL included.
class PDFLiteralString : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectLiteralString;

    explicit PDFLiteralString(std::string value) : PDFObject(eType), mValue(std::move(value)) {}

    const std::string& GetValue() const { return mValue; }

protected:
    ~PDFLiteralString() override = default;

private:
    std::string mValue;
};
