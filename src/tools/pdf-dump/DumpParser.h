#pragma once

#include <string>

#include "installer/AddressbookParser.h"
#include "pdf/io/StatusCode.h"

// The document reader of pdf-dump: the installer's store reader, whose header check also
// takes the other kind of file the tool looks at, ordinary PDF files ("%PDF-"). Everything
// else (end-of-file scan, cross-reference sections, object fetching) is the reader the
// installer uses, so what pdf-dump prints is what the installer would see.
class DumpParser : public AddressbookParser
{
public:
    // The header magic found by the last successful header check, "%PDF-" or "%PPKLITE-";
    // empty before one. The number after it is HeaderVersion.
    const std::string& HeaderMagic() const { return mHeaderMagic; }
    bool IsTrustStore() const;

protected:
    StatusCode ParseHeaderLine() override;

private:
    std::string mHeaderMagic;
};
