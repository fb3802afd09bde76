#pragma once

#include <string>

class IByteReader;
class PDFDictionary;
class PDFName;
class PDFObject;

// Optional hook through which a client decrypts documents or adds stream filters. The parser
// borrows it and never deletes it; every call is skipped when none is installed.
class ParserExtender
{
public:
    virtual ~ParserExtender() = default;

    // A reader that decodes the given one with a filter the parser does not know, or the given
    // reader itself when the extender does not know the filter either. The new reader owns
    // the given one.
    virtual IByteReader* CreateFilter(IByteReader* reader, PDFName* filterName,
                                      PDFDictionary* decodeParameters) = 0;
    virtual bool SupportsEncryption() = 0;
    // The reader to use instead of the given one for stream data (may be the same).
    virtual IByteReader* CreateDecryptionReader(IByteReader* reader) = 0;
    // Called for every literal and hexadecimal string; the result is what gets stored.
    virtual std::string DecryptString(const std::string& value) = 0;
    // Around the body of every indirect object read from the file; object may be null.
    virtual void OnObjectStart(long long objectID, long long generationNumber) = 0;
    virtual void OnObjectEnd(PDFObject* object) = 0;
};
