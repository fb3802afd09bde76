#pragma once

#include "pdf/objects/RefCountObject.h"

// A parsed or constructed PDF value. Code that meets one asks GetType and then treats it as
// the matching subclass (or casts with PDFObjectCastPtr); there is no other virtual behaviour.
class PDFObject : public RefCountObject
{
public:
    // The numeric values are fixed: they index PDFObjectTypeLabels.
    enum PDFObjectType
    {
        ePDFObjectBoolean = 0,
        ePDFObjectLiteralString,
        ePDFObjectHexString,
        ePDFObjectNull,
        ePDFObjectName,
        ePDFObjectInteger,
        ePDFObjectReal,
        ePDFObjectArray,
        ePDFObjectDictionary,
        ePDFObjectIndirectObjectReference,
        ePDFObjectStream,
        ePDFObjectSymbol
    };

    static constexpr int kPDFObjectTypeCount = 12;
    // "Boolean" ... "Symbol", indexed by PDFObjectType; used in diagnostics.
    static const char* PDFObjectTypeLabels[kPDFObjectTypeCount];

    PDFObjectType GetType() const { return mType; }

protected:
    explicit PDFObject(PDFObjectType type) : mType(type) {}
    ~PDFObject() override = default;

private:
    PDFObjectType mType;
};
