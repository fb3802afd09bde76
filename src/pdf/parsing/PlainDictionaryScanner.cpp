#include "pdf/parsing/PlainDictionaryScanner.h"

#include <cstring>

#include "pdf/parsing/PDFSyntax.h"

namespace {

using PDFSyntax::kClassNotWhitespace;
using PDFSyntax::kClassStringSpecial;
using PDFSyntax::kEndsHexStringRun;
using PDFSyntax::kEndsRegularToken;

class Scanner
{
public:
    Scanner(std::string_view bytes, bool atEnd, PlainDictionary& out)
        : mBytes(bytes), mAtEnd(atEnd), mOut(out)
    {
    }

    PlainScanResult Scan(ObjectNumber objectID, std::uint32_t generation)
    {
        mOut.entries.clear();
        mOut.items.clear();
        const PDFSyntax::ObjectHeaderScan header = PDFSyntax::ScanObjectHeader(mBytes);
        if (header.result != PDFSyntax::ObjectHeaderScan::Result::Header) {
            return header.result == PDFSyntax::ObjectHeaderScan::Result::NeedMore
                       ? (mAtEnd ? PlainScanResult::NotPlain : PlainScanResult::NeedMore)
                       : PlainScanResult::NotPlain;
        }
        if (header.objectNumber != objectID || header.generation != generation) {
            return PlainScanResult::NotPlain;
        }
        mPosition = header.length;
        if (!SkipWhiteSpace() || !ReadDictionary() || !SkipWhiteSpace() || !ReadKeyword("endobj")) {
            return mResult;
        }
        mOut.objectLength = mPosition;
        DecodeLiteralStrings();
        return PlainScanResult::Plain;
    }

private:
    std::string_view mBytes;
    std::size_t mPosition = 0;
    bool mAtEnd;
    PlainDictionary& mOut;
    PlainScanResult mResult = PlainScanResult::NotPlain;
    std::size_t mValueCount = 0;

    // Gives each literal string with escapes its bytes, with the object parser's own decoding.
    // Room for all is made first: decoding never lengthens a string, so no view moves.
    void DecodeLiteralStrings()
    {
        std::size_t room = 0;
        ForEachEncoded([&room](PlainValue& value) { room += value.text.size(); });
        if (room == 0) {
            return;
        }
        mOut.decoded.clear();
        mOut.decoded.reserve(room);
        ForEachEncoded([this](PlainValue& value) {
            const std::size_t start = mOut.decoded.size();
            PDFSyntax::AppendLiteralStringBytes(value.text, mOut.decoded);
            value.text = std::string_view(mOut.decoded).substr(start);
            value.encoded = false;
        });
    }

    template <typename Visit> void ForEachEncoded(Visit visit)
    {
        for (PlainKeyValue& entry : mOut.entries) {
            if (entry.value.encoded) {
                visit(entry.value);
            }
        }
        for (PlainValue& item : mOut.items) {
            if (item.encoded) {
                visit(item);
            }
        }
    }

    bool NotPlain()
    {
        mResult = PlainScanResult::NotPlain;
        return false;
    }

    // The bytes ended inside the object: more of the file may complete it.
    bool OutOfBytes()
    {
        mResult = mAtEnd ? PlainScanResult::NotPlain : PlainScanResult::NeedMore;
        return false;
    }

    // Counts one more key or array item.
    bool RoomForValue() { return ++mValueCount <= kMaxPlainValues; }

    std::uint8_t At(std::size_t position) const
    {
        return static_cast<std::uint8_t>(mBytes[position]);
    }

    // Comments are left to the object parser.
    bool SkipWhiteSpace()
    {
        mPosition += PDFSyntax::ScanRun<kClassNotWhitespace>(mBytes, mPosition);
        if (mPosition == mBytes.size()) {
            return OutOfBytes();
        }
        return At(mPosition) == '%' ? NotPlain() : true;
    }

    // The regular token at the position: up to white space or a delimiter, which must be
    // among the bytes (a token cut off by their end might go on).
    bool ReadRegularToken(std::string_view& token)
    {
        const std::size_t start = mPosition;
        mPosition += PDFSyntax::ScanRun<kEndsRegularToken>(mBytes, mPosition);
        if (mPosition == mBytes.size()) {
            return OutOfBytes();
        }
        token = mBytes.substr(start, mPosition - start);
        return true;
    }

    bool ReadKeyword(std::string_view keyword)
    {
        std::string_view token;
        if (!ReadRegularToken(token)) {
            return false;
        }
        return token == keyword ? true : NotPlain();
    }

    // A name at the position, which is its slash. Names with #xx escapes, and the empty name,
    // are left to the object parser.
    bool ReadName(std::string_view& name)
    {
        ++mPosition;
        if (!ReadRegularToken(name)) {
            return false;
        }
        if (name.empty() || name.find('#') != std::string_view::npos) {
            return NotPlain();
        }
        return true;
    }

    bool ReadDictionary()
    {
        if (mBytes.size() - mPosition < 2) {
            return OutOfBytes();
        }
        if (At(mPosition) != '<' || At(mPosition + 1) != '<') {
            return NotPlain();
        }
        mPosition += 2;
        for (;;) {
            if (!SkipWhiteSpace()) {
                return false;
            }
            if (At(mPosition) == '>') {
                if (mPosition + 1 == mBytes.size()) {
                    return OutOfBytes();
                }
                if (At(mPosition + 1) != '>') {
                    return NotPlain();
                }
                mPosition += 2;
                return true;
            }
            if (At(mPosition) != '/') {
                return NotPlain();
            }
            if (!RoomForValue()) {
                return NotPlain();
            }
            PlainKeyValue entry;
            if (!ReadName(entry.key)) {
                return false;
            }
            // Ascending keys are in the order a dictionary keeps them, and none repeats.
            if (!mOut.entries.empty() && !(mOut.entries.back().key < entry.key)) {
                return NotPlain();
            }
            if (!SkipWhiteSpace() || !ReadValue(entry.value, false)) {
                return false;
            }
            mOut.entries.push_back(entry);
        }
    }

    bool ReadValue(PlainValue& value, bool inArray)
    {
        const std::uint8_t first = At(mPosition);
        switch (first) {
        case '(':
            return ReadLiteralString(value);
        case '<':
            return ReadHexString(value);
        case '[':
            return inArray ? NotPlain() : ReadArray(value);
        case '/':
            value.kind = PlainValue::Kind::Name;
            return ReadName(value.text);
        default:
            break;
        }
        std::string_view token;
        if (!ReadRegularToken(token)) {
            return false;
        }
        if (token == "true" || token == "false") {
            value.kind = PlainValue::Kind::Boolean;
            value.integer = token == "true" ? 1 : 0;
            return true;
        }
        value.kind = PlainValue::Kind::Integer;
        if (!PDFSyntax::ReadWholeInteger(token, value.integer)) {
            return NotPlain();
        }
        // A number after it may make the integer the first half of "N G R", which the object
        // parser resolves by looking ahead; that is left to it.
        if (!SkipWhiteSpace()) {
            return false;
        }
        return PDFSyntax::CanBeReferenceNumber(value.integer) &&
                       PDFSyntax::StartsNumber(At(mPosition))
                   ? NotPlain()
                   : true;
    }

    // The body is kept as the tokenizer would give it: everything between the parentheses.
    // A backslash before an end of line (which the tokenizer drops with it) is left to the
    // object parser.
    bool ReadLiteralString(PlainValue& value)
    {
        using Step = PDFSyntax::LiteralStringBody::Step;
        const std::size_t start = ++mPosition;
        PDFSyntax::LiteralStringBody body;
        bool escapes = false;
        for (;;) {
            if (!body.InEscape()) {
                mPosition += PDFSyntax::ScanRun<kClassStringSpecial>(mBytes, mPosition);
            }
            if (mPosition == mBytes.size()) {
                return OutOfBytes();
            }
            switch (body.Take(At(mPosition++))) {
            case Step::Close: {
                value.kind = PlainValue::Kind::LiteralString;
                value.text = mBytes.substr(start, mPosition - 1 - start);
                // Escapes, and line ends (each reads as LF), are decoded once the scan is done.
                value.encoded =
                    escapes || std::memchr(value.text.data(), '\r', value.text.size()) != nullptr;
                return true;
            }
            case Step::LineContinuation:
                return NotPlain();
            case Step::Backslash:
                escapes = true;
                break;
            case Step::Plain:
            case Step::Escaped:
                break;
            }
        }
    }

    // The digits are the tokenizer's hexadecimal string body: the bytes up to '>'. White space
    // among them (which the tokenizer drops), and a second '<' (a dictionary), are left to the
    // object parser.
    bool ReadHexString(PlainValue& value)
    {
        const std::size_t start = ++mPosition;
        if (start == mBytes.size()) {
            return OutOfBytes();
        }
        if (At(start) == '<') {
            return NotPlain();
        }
        const std::size_t end = start + PDFSyntax::ScanRun<kEndsHexStringRun>(mBytes, start);
        if (end == mBytes.size()) {
            return OutOfBytes();
        }
        if (At(end) != '>') {
            return NotPlain();
        }
        value.kind = PlainValue::Kind::HexString;
        value.text = mBytes.substr(start, end - start);
        mPosition = end + 1;
        return true;
    }

    bool ReadArray(PlainValue& value)
    {
        ++mPosition;
        // Items of this array are added after those of earlier arrays; an array holds no array.
        value.kind = PlainValue::Kind::Array;
        value.firstItem = static_cast<std::uint32_t>(mOut.items.size());
        for (;;) {
            if (!SkipWhiteSpace()) {
                return false;
            }
            if (At(mPosition) == ']') {
                ++mPosition;
                value.itemCount = static_cast<std::uint32_t>(mOut.items.size()) - value.firstItem;
                return true;
            }
            if (!RoomForValue()) {
                return NotPlain();
            }
            PlainValue item;
            if (!ReadValue(item, true)) {
                return false;
            }
            mOut.items.push_back(item);
        }
    }
};

} // namespace

PDFObject::PDFObjectType ObjectTypeOf(const PlainValue& value)
{
    switch (value.kind) {
    case PlainValue::Kind::Integer:
        return PDFObject::ePDFObjectInteger;
    case PlainValue::Kind::Boolean:
        return PDFObject::ePDFObjectBoolean;
    case PlainValue::Kind::Name:
        return PDFObject::ePDFObjectName;
    case PlainValue::Kind::HexString:
        return PDFObject::ePDFObjectHexString;
    case PlainValue::Kind::LiteralString:
        return PDFObject::ePDFObjectLiteralString;
    case PlainValue::Kind::Array:
        break;
    }
    return PDFObject::ePDFObjectArray;
}

PlainScanResult ScanPlainDictionaryObject(std::string_view bytes, ObjectNumber objectID,
                                          std::uint32_t generation, bool atEnd,
                                          PlainDictionary& out)
{
    return Scanner(bytes, atEnd, out).Scan(objectID, generation);
}
