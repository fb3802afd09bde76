#pragma once

#include <string>

#include "pdf/io/StatusCode.h"
#include "pdf/parsing/PDFParser.h"

// The document reader of pdf-dump. It differs from PDFParser only in its header check, which
// takes both kinds of file the tool looks at: ordinary PDF files ("%PDF-") and trust stores
// ("%PPKLITE-"). Everything else (end-of-file scan, cross-reference sections, object fetching)
// is the reader the installer uses, so what pdf-dump prints is what the installer would see.
class DumpParser : public PDFParser
{
public:
    // The header magic found by the last successful header check, "%PDF-" or "%PPKLITE-";
    // empty before one.
    const std::string& HeaderMagic() const { return mHeaderMagic; }
    bool IsTrustStore() const;
    // The number after the magic. PDFParser keeps its own copy private and fills it only from
    // its own check, so this parser keeps the version it read.
    double Version() const { return mVersion; }

protected:
    StatusCode ParseHeaderLine() override;

private:
    std::string mHeaderMagic;
    double mVersion = 0;
};
