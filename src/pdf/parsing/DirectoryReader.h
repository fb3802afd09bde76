#pragma once

#include <cstdint>

#include "pdf/io/IOBasicTypes.h"
#include "pdf/io/StatusCode.h"
#include "pdf/objects/RefCountPtr.h"
#include "pdf/parsing/XrefEntry.h"

class PDFDictionary;
class PDFParser;

// Reads the document's directory into the parser's cross-reference table and trailer: the
// section at the "startxref" offset, classic tables with their trailer, and the chain of
// earlier sections reached through /Prev, oldest applied first so that newer entries win.
// Sections stored as cross-reference streams are read by XrefStreamReader. A part of
// PDFParser, which owns it and whose state it uses.
class DirectoryReader
{
public:
    // Sections reachable through /Prev; real files have a handful.
    static constexpr int kMaxPreviousSections = 1024;

    explicit DirectoryReader(PDFParser& parser) : mParser(parser) {}

    // The whole directory, from the section at the parser's xref position.
    StatusCode ParseFileDirectory();

private:
    PDFParser& mParser;

    StatusCode ParseTrailerDictionary();
    StatusCode ParseDirectory();
    StatusCode BuildXrefTableAndTrailerFromXrefStream(long long xrefStreamObjectID);
    // streamEntries: the section's entries may sit in a cross-reference stream.
    StatusCode SetupTableSize(PDFDictionary* dictionary, bool streamEntries);
    StatusCode ParseXref(XrefTable& table, FilePosition sectionOffset);
    StatusCode ParseXrefEntries(XrefTable& table, std::uint32_t first, std::uint32_t count);
    StatusCode ParsePreviousXrefs(PDFDictionary* dictionary);
    StatusCode ParsePreviousDirectory(FilePosition sectionOffset, XrefTable& table,
                                      RefCountPtr<PDFDictionary>& outTrailer);
};
