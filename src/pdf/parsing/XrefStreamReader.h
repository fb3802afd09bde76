#pragma once

#include <cstddef>
#include <cstdint>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/parsing/XrefEntry.h"

class IByteReader;
class PDFParser;
class PDFStreamInput;

// Reads the entries of cross-reference streams into a cross-reference table: the stream of the
// last section (see DirectoryReader), one reached through /Prev, or the /XRefStm stream of a
// hybrid file. Entries are overwritten whatever they held, and the table grows when a
// subsection reaches beyond it. A part of PDFParser, which owns it and whose state it uses.
class XrefStreamReader
{
public:
    explicit XrefStreamReader(PDFParser& parser) : mParser(parser) {}

    // The cross-reference stream object at an offset of the file.
    StatusCode ParseXrefFromXrefStream(XrefTable& table, FilePosition xrefStreamOffset);
    // The entries of a cross-reference stream already read.
    StatusCode ParseXrefFromXrefStream(XrefTable& table, PDFStreamInput* xrefStream);

    // count entries from first on, of the given field widths (3 of them, at most 8, 8 and 4
    // bytes), read from the decoded data. Stops quietly when the data runs dry; entries beyond
    // the table are read and dropped. Other widths fail with a trace line.
    static StatusCode ReadXrefStreamSegment(XrefTable& table, std::uint64_t first,
                                            std::uint64_t count, IByteReader* reader,
                                            const int* widths, std::size_t widthsCount);

private:
    PDFParser& mParser;
};
