#pragma once

#include <cstdint>
#include <string>

class DumpParser;
class PDFObject;
class PDFStreamInput;

// Prints the objects of a parsed document in pdf-dump's canonical text form, which two readers
// of the same file can be compared with line by line:
//
//     pdf-dump objects
//     header %PDF- 1.5
//     trailer <</Root 1 0 R /Size 12>>
//     obj 1 0 <</Pages 3 0 R /Type /Catalog>>
//     obj 4 0 stream <</Filter /FlateDecode /Length 5 0 R>> length=1234 md5=0123...
//     obj 7 0 error
//
// Values: null, true, false; integers in decimal; reals as r: followed by %.10g; strings (literal
// and hexadecimal alike) as <hex of the bytes>, lower case; names as / followed by the bytes,
// with every byte outside ! to ~ and each of # ( ) < > [ ] { } / % written as #xx; arrays as
// [a b c]; dictionaries as <</Key value /Key value>> in byte order of the keys; references as
// N G R. A stream is its dictionary followed by length= and md5= of the decoded data, or by
// data=unreadable when no reader could be built (an unknown filter, a /Length that is not an
// integer) and data=damaged when decoding failed part-way. Objects are numbered 1 up to the
// table size; free and unknown numbers are left out; an object that cannot be fetched is
// "error". Objects inside object streams have generation 0.
class ObjectDumper
{
public:
    // Nesting depth of a printed value; the object parser has its own, lower, limit.
    static constexpr int kMaxDepth = 512;
    // Decoded bytes hashed per stream; a flate bomb beyond this is reported, not read to the end.
    static constexpr std::uint64_t kMaxStreamBytes = 1ull << 32;

    // The parser must have read the document's directory; it is borrowed.
    explicit ObjectDumper(DumpParser& parser) : mParser(parser) {}

    // The whole dump; the parser's stream is moved around.
    std::string DumpDocument();
    // One value in the canonical form (a stream with its data summary).
    std::string FormatObject(PDFObject* object);
    // "length=N md5=HEX", "data=unreadable" or "data=damaged".
    std::string DescribeStreamData(PDFStreamInput* stream);

    static std::string FormatName(const std::string& name);

private:
    DumpParser& mParser;

    void AppendValue(std::string& out, PDFObject* object, int depth);
};
