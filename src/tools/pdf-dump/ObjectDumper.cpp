#include "tools/pdf-dump/ObjectDumper.h"

#include <cstdio>
#include <memory>
#include <vector>

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

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr IOByteCount kReadChunk = 64 * 1024;

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

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

std::string ObjectDumper::DecodeHexString(const std::string& digits)
{
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    int high = -1;
    for (char c : digits) {
        const int value = HexValue(static_cast<unsigned char>(c));
        if (value < 0) {
            continue;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) {
        bytes.push_back(static_cast<char>(high * 16));
    }
    return bytes;
}

std::string ObjectDumper::BytesToLowerHex(const std::string& bytes)
{
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kHexDigits[byte >> 4]);
        hex.push_back(kHexDigits[byte & 0x0f]);
    }
    return hex;
}

std::string ObjectDumper::FormatName(const std::string& name)
{
    std::string text = "/";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsNameByteToEscape(byte)) {
            text.push_back('#');
            text.push_back(kHexDigits[byte >> 4]);
            text.push_back(kHexDigits[byte & 0x0f]);
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
        out += BytesToLowerHex(static_cast<PDFLiteralString*>(object)->GetValue());
        out += '>';
        break;
    case PDFObject::ePDFObjectHexString:
        out += '<';
        out += BytesToLowerHex(DecodeHexString(static_cast<PDFHexString*>(object)->GetValue()));
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
