#pragma once

#include <string>
#include <utility>

#include "pdf/objects/PDFObject.h"

// Holds a name without its leading /, with #xx escapes already resolved to bytes.
class PDFName : public PDFObject
{
public:
    static constexpr PDFObjectType eType = ePDFObjectName;

    explicit PDFName(std::string value) : PDFObject(eType), mValue(std::move(value)) {}

    const std::string& GetValue() const { return mValue; }

protected:
    ~PDFName() override = default;

private:
    std::string mValue;
};
