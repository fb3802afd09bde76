#pragma once

// Reads one object of a small file both ways, by the plain scan and by the object parser, and
// tells whether they agree. Shared by the parser's table test and a fuzz target, so that what
// one proves on chosen inputs the other tries on random ones.

#include <cstdio>
#include <string>

#include "pdf/io/InputBufferedStream.h"
#include "pdf/io/InputStringBufferStream.h"
#include "pdf/io/MyStringBuf.h"
#include "pdf/objects/ArrayIterator.h"
#include "pdf/objects/DictionaryIterator.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/PDFParser.h"

enum class PlainScanAgreement
{
    NotPlain, // the scan left the object to the parser
    Agrees,   // the scan read it, and the parser read the same dictionary
    Disagrees // the scan read something the parser reads otherwise, or not at all
};

// objectText stands after the header line, and the table lists it as object 1.
inline std::string FileWithObjectOne(const std::string& objectText)
{
    const std::string header = "%PPKLITE-2.1\n";
    std::string file = header + objectText + "\n";
    const std::size_t xref = file.size();
    char entry[32];
    std::snprintf(entry, sizeof(entry), "%010zu 00000 n\r\n", header.size());
    file += "xref\n0 2\n0000000000 65535 f\r\n";
    file += entry;
    file += "trailer\n<< /Size 2 >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
}

inline bool PlainValueReadsAs(const PlainDictionary& plain, const PlainValue& value,
                              PDFObject* object)
{
    switch (value.kind) {
    case PlainValue::Kind::Integer:
        return object->GetType() == PDFObject::ePDFObjectInteger &&
               static_cast<PDFInteger*>(object)->GetValue() == value.integer;
    case PlainValue::Kind::Boolean:
        return object->GetType() == PDFObject::ePDFObjectBoolean &&
               static_cast<PDFBoolean*>(object)->GetValue() == (value.integer != 0);
    case PlainValue::Kind::Name:
        return object->GetType() == PDFObject::ePDFObjectName &&
               static_cast<PDFName*>(object)->GetValue() == value.text;
    case PlainValue::Kind::HexString:
        return object->GetType() == PDFObject::ePDFObjectHexString &&
               static_cast<PDFHexString*>(object)->GetValue() == value.text;
    case PlainValue::Kind::LiteralString:
        return object->GetType() == PDFObject::ePDFObjectLiteralString &&
               static_cast<PDFLiteralString*>(object)->GetValue() == value.text;
    case PlainValue::Kind::Array: {
        if (object->GetType() != PDFObject::ePDFObjectArray ||
            static_cast<PDFArray*>(object)->GetLength() != value.itemCount) {
            return false;
        }
        ArrayIterator it = static_cast<PDFArray*>(object)->GetItemIterator();
        for (std::uint32_t i = 0; it.MoveNext(); ++i) {
            if (!PlainValueReadsAs(plain, plain.items[value.firstItem + i], it.GetItem())) {
                return false;
            }
        }
        return true;
    }
    }
    return false;
}

// The file is read through a buffer of bufferSize bytes: small sizes make the scan gather an
// object from many reads.
inline PlainScanAgreement CheckPlainScan(const std::string& objectText, IOByteCount bufferSize)
{
    const std::string file = FileWithObjectOne(objectText);
    MyStringBuf plainBytes;
    plainBytes.sputn(file.data(), static_cast<std::streamsize>(file.size()));
    plainBytes.pubseekpos(0, std::ios_base::in);
    InputBufferedStream plainStream(new InputStringBufferStream(&plainBytes), bufferSize);
    PDFParser plainParser;
    (void)plainParser.ParseHeaderAndDirectory(&plainStream); // a bad file reads nothing
    PlainDictionary plain;
    if (!plainParser.ReadPlainDictionaryObject(1, 0, plain)) {
        return PlainScanAgreement::NotPlain;
    }

    MyStringBuf parsedBytes;
    parsedBytes.sputn(file.data(), static_cast<std::streamsize>(file.size()));
    parsedBytes.pubseekpos(0, std::ios_base::in);
    InputBufferedStream parsedStream(new InputStringBufferStream(&parsedBytes));
    PDFParser parser;
    (void)parser.ParseHeaderAndDirectory(&parsedStream);
    RefCountPtr<PDFObject> parsed(parser.ParseObjectByReference(1, 0));
    if (parsed.IsNull() || parsed->GetType() != PDFObject::ePDFObjectDictionary) {
        return PlainScanAgreement::Disagrees;
    }
    auto* dictionary = static_cast<PDFDictionary*>(parsed.Get());
    if (dictionary->GetLength() != plain.entries.size()) {
        return PlainScanAgreement::Disagrees;
    }
    DictionaryIterator it = dictionary->GetEntryIterator();
    for (const PlainKeyValue& entry : plain.entries) {
        if (!it.MoveNext() || it.GetKey()->GetValue() != entry.key ||
            !PlainValueReadsAs(plain, entry.value, it.GetValue())) {
            return PlainScanAgreement::Disagrees;
        }
    }
    return PlainScanAgreement::Agrees;
}
