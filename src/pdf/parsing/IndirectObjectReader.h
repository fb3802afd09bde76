#pragma once

#include <cstdint>
#include <optional>

#include "pdf/io/StatusCode.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/XrefEntry.h"

class PDFObject;
class PDFParser;
class PDFStreamInput;
struct PlainDictionary;

// Reads indirect objects where the cross-reference table places them in the file: the
// declaration "N G obj" and the body after it, or (for the plain scan) the bytes of a plain
// dictionary object gathered from the document's buffer. A part of PDFParser, which owns it
// and whose state it uses.
class IndirectObjectReader
{
public:
    // Trace texts of one reader of indirect-object declarations, so that each keeps its own
    // lines: mDeclaration begins every line about the "generation obj" part, mStreamBody is
    // the whole line for a body that is not a stream.
    struct DeclarationTraceTexts
    {
        const char* mDeclaration = "";
        const char* mStreamBody = "";
    };

    explicit IndirectObjectReader(PDFParser& parser) : mParser(parser) {}

    // The object of an entry of type XrefEntryInFile; caller owns it.
    PDFObject* ParseExistingInDirectObject(ObjectNumber objectID);
    // See PDFParser::ReadPlainDictionaryObject.
    bool ReadPlainDictionaryObject(ObjectNumber objectID, std::uint32_t generation,
                                   PlainDictionary& out);

    // Reads "generation obj" after an object number that was already read, telling the
    // extender that the object starts once the generation is known. Without
    // expectedGeneration any generation is taken.
    StatusCode ParseObjectDeclaration(long long objectID,
                                      std::optional<long long> expectedGeneration,
                                      const DeclarationTraceTexts& texts);
    // Reads "generation obj" and a stream body after an object number that was already read,
    // the extender seeing the object start and, for a stream, its end.
    StatusCode ParseStreamObject(long long objectID, const DeclarationTraceTexts& texts,
                                 RefCountPtr<PDFStreamInput>& outStream);

private:
    PDFParser& mParser;
};
