#include "tools/pdf-dump/ObjectDumper.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "pdf/io/Hexadecimal.h"
#include "pdf/io/IByteReader.h"
#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFBoolean.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFHexString.h"
#include "pdf/objects/PDFIndirectObjectReference.h"
#include "pdf/objects/PDFInteger.h"
#include "pdf/objects/PDFLiteralString.h"
#include "pdf/objects/PDFName.h"
#include "pdf/objects/PDFReal.h"
#include "pdf/objects/PDFStreamInput.h"
#include "pdf/objects/PDFSymbol.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/XrefEntry.h"
#include "pdf/writing/MD5Generator.h"
#include "tools/pdf-dump/DumpParser.h"

namespace {

constexpr IOByteCount kReadChunk = 64 * 1024;

bool IsNameByteToEscape(unsigned char c)
{
    if (c < 0x21 || c > 0x7e) {
        return true;
    }
    switch (c) {
    case '#':
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
        return true;
    default:
        return false;
    }
}

std::string FormatReal(double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), "r:%.10g", value);
    return text;
}

} // namespace

std::string ObjectDumper::FormatName(const std::string& name)
{
    std::string text = "/";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsNameByteToEscape(byte)) {
            text.push_back('#');
            Hexadecimal::AppendLowerHex(std::string_view(&c, 1), text);
        } else {
            text.push_back(c);
        }
    }
    return text;
}

std::string ObjectDumper::DescribeStreamData(PDFStreamInput* stream)
{
    std::unique_ptr<IByteReader> reader(mParser.OpenStreamForReading(stream));
    if (!reader) {
        return "data=unreadable";
    }
    MD5Generator md5;
    std::vector<Byte> buffer(kReadChunk);
    std::uint64_t total = 0;
    // A reader may say it has more and then deliver nothing (damaged data): that ends the read.
    while (reader->HasMore()) {
        const IOByteCount count = reader->Read(buffer.data(), kReadChunk);
        if (count == 0) {
            break;
        }
        total += count;
        if (total > kMaxStreamBytes) {
            return "data=too-long";
        }
        md5.Accumulate(buffer.data(), count);
    }
    return "length=" + std::to_string(total) + " md5=" + md5.FinalizeToHexString();
}

std::string ObjectDumper::FormatObject(PDFObject* object)
{
    std::string out;
    AppendValue(out, object, 0);
    return out;
}

void ObjectDumper::AppendValue(std::string& out, PDFObject* object, int depth)
{
    if (object == nullptr) {
        out += "error";
        return;
    }
    if (depth > kMaxDepth) {
        out += "too-deep";
        return;
    }
    switch (object->GetType()) {
    case PDFObject::ePDFObjectBoolean:
        out += static_cast<PDFBoolean*>(object)->GetValue() ? "true" : "false";
        break;
    case PDFObject::ePDFObjectLiteralString:
        out += '<';
        out += Hexadecimal::ToLowerHex(static_cast<PDFLiteralString*>(object)->GetValue());
        out += '>';
        break;
    case PDFObject::ePDFObjectHexString:
        out += '<';
        out += Hexadecimal::ToLowerHex(
            Hexadecimal::FromHex(static_cast<PDFHexString*>(object)->GetValue()));
        out += '>';
        break;
    case PDFObject::ePDFObjectNull:
        out += "null";
        break;
    case PDFObject::ePDFObjectName:
        out += FormatName(static_cast<PDFName*>(object)->GetValue());
        break;
    case PDFObject::ePDFObjectInteger:
        out += std::to_string(static_cast<PDFInteger*>(object)->GetValue());
        break;
    case PDFObject::ePDFObjectReal:
        out += FormatReal(static_cast<PDFReal*>(object)->GetValue());
        break;
    case PDFObject::ePDFObjectArray: {
        out += "[";
        ArrayIterator it = static_cast<PDFArray*>(object)->GetItemIterator();
        bool first = true;
        while (it.MoveNext()) {
            if (!first) {
                out += " ";
            }
            first = false;
            AppendValue(out, it.GetItem(), depth + 1);
        }
        out += "]";
        break;
    }
    case PDFObject::ePDFObjectDictionary: {
        out += "<<";
        DictionaryIterator it = static_cast<PDFDictionary*>(object)->GetEntryIterator();
        bool first = true;
        while (it.MoveNext()) {
            if (!first) {
                out += " ";
            }
            first = false;
            out += FormatName(it.GetKey()->GetValue());
            out += " ";
            AppendValue(out, it.GetValue(), depth + 1);
        }
        out += ">>";
        break;
    }
    case PDFObject::ePDFObjectIndirectObjectReference: {
        auto* reference = static_cast<PDFIndirectObjectReference*>(object);
        out += std::to_string(reference->ObjectID) + " " +
               std::to_string(reference->GenerationNumber) + " R";
        break;
    }
    case PDFObject::ePDFObjectStream: {
        auto* stream = static_cast<PDFStreamInput*>(object);
        RefCountPtr<PDFDictionary> dictionary(stream->GetDictionary());
        out += "stream ";
        AppendValue(out, dictionary.Get(), depth + 1);
        // Only a top-level stream has data to read; a stream cannot stand inside another value.
        if (depth == 0) {
            out += ' ';
            out += DescribeStreamData(stream);
        }
        break;
    }
    case PDFObject::ePDFObjectSymbol:
        out += "symbol:" + static_cast<PDFSymbol*>(object)->GetValue();
        break;
    }
}

std::string ObjectDumper::DumpDocument()
{
    std::string out = "pdf-dump objects\n";
    char version[64];
    std::snprintf(version, sizeof(version), "%g", mParser.HeaderVersion());
    out += "header " + mParser.HeaderMagic() + " " + version + "\n";
    out += "trailer " + FormatObject(mParser.Trailer()) + "\n";
    const std::uint32_t count = mParser.ObjectCount();
    for (ObjectNumber number = 1; number < count; ++number) {
        const XrefEntry* entry = mParser.XrefEntryFor(number);
        if (entry == nullptr ||
            (entry->mType != XrefEntryInFile && entry->mType != XrefEntryInObjectStream)) {
            continue;
        }
        const std::uint32_t generation = entry->mType == XrefEntryInFile ? entry->mGeneration : 0;
        RefCountPtr<PDFObject> object(mParser.ParseObjectByID(number));
        out += "obj " + std::to_string(number) + " " + std::to_string(generation) + " " +
               FormatObject(object.Get()) + "\n";
    }
    return out;
}
