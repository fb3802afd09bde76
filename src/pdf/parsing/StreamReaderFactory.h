#pragma once

#include <cstddef>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"

class IByteReader;
class PDFDictionary;
class PDFName;
class PDFParser;
class PDFStreamInput;

// The document reader's readers over stream data: the decoded data through the stream's
// filter chain, or the data exactly as stored. Every reader it makes reads the document's own
// stream from wherever it stands and belongs to the caller; destroying it destroys the chain
// but not the document's stream. A part of PDFParser, which owns it and whose state it uses.
class StreamReaderFactory
{
public:
    // Filters chained on one stream; real files use one or two.
    static constexpr std::size_t kMaxFiltersPerStream = 16;

    explicit StreamReaderFactory(PDFParser& parser) : mParser(parser) {}

    // See PDFParser for these three.
    IByteReader* CreateInputStreamReader(PDFStreamInput* stream);
    IByteReader* OpenStreamForReading(PDFStreamInput* stream);
    IByteReader* OpenStoredStreamData(PDFStreamInput* stream, FilePosition& outLength);

    // On success outReader owns source; on failure source stays with the caller.
    StatusCode CreateFilterForStream(IByteReader* source, PDFName* filterName,
                                     PDFDictionary* decodeParameters, IByteReader*& outReader);

private:
    PDFParser& mParser;
};
