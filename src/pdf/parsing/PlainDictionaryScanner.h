#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/objects/PDFObject.h"
#include "pdf/parsing/XrefEntry.h"

// A value of a plain dictionary: one that the object parser would read as exactly this, with
// nothing left to interpret. Views point into the bytes the dictionary was scanned from.
struct PlainValue
{
    enum class Kind : std::uint8_t
    {
        Integer,       // integer
        Boolean,       // integer is 1 for true, 0 for false
        Name,          // text is the name without its slash
        HexString,     // text is the digits between the angle brackets
        LiteralString, // text is the bytes the string stands for
        Array          // items [firstItem, firstItem + itemCount) of the dictionary
    };

    Kind kind = Kind::Integer;
    long long integer = 0;
    std::string_view text;
    std::uint32_t firstItem = 0;
    std::uint32_t itemCount = 0;
    // While scanning: a literal string whose text still holds escapes or line ends.
    bool encoded = false;
};

// The type of the object the parser would make of value.
PDFObject::PDFObjectType ObjectTypeOf(const PlainValue& value);

struct PlainKeyValue
{
    std::string_view key; // without its slash
    PlainValue value;
};

// An indirect object "N G obj << ... >> endobj" read without building objects. Its keys are in
// ascending byte order (so none repeats) and each value is an integer, true or false, a name, a
// hexadecimal string of digits only, a literal string that does not break its line with a
// backslash, or an array of such values. This is the shape of nearly every entry of a trust
// store; anything else is left to the object parser.
struct PlainDictionary
{
    std::vector<PlainKeyValue> entries; // in key order
    std::vector<PlainValue> items;      // the items of every array, array after array
    // Bytes from the start of the scan through "endobj".
    std::size_t objectLength = 0;
    // Holds the object's bytes when they had to be gathered from several reads; views then
    // point here.
    std::string gathered;
    // The bytes of literal strings with escapes, which views point to.
    std::string decoded;
};

// Keys and array items a plain dictionary may hold in all. Entries hold a few dozen; a larger
// object is left to the object parser, which bounds what it builds by the file's size, so that
// the scan's vectors never hold more than this.
constexpr std::size_t kMaxPlainValues = 65536;

enum class PlainScanResult
{
    Plain,    // out holds the object
    NotPlain, // the object is not of that shape, or not what was asked for: parse it instead
    NeedMore  // bytes ended before the object did
};

// Scans the object that starts at bytes (white space may come first). It must be object
// objectID with generation generation. atEnd tells that the file ends where bytes end. The
// scan accepts only what the object parser reads the same way, and refuses whatever it is not
// sure of: a refusal is never an error, only a request to use the object parser.
PlainScanResult ScanPlainDictionaryObject(std::string_view bytes, ObjectNumber objectID,
                                          std::uint32_t generation, bool atEnd,
                                          PlainDictionary& out);
