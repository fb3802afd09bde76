#pragma once

#include "pdf/io/StatusCode.h"
#include "pdf/parsing/PDFParser.h"

// The document reader for trust stores. A store is PDF object syntax whose first line reads
// "%PPKLITE-" instead of "%PDF-"; every store is read through this class, the one place where
// a rule of the store's own about its header belongs.
class AddressbookParser : public PDFParser
{
public:
    AddressbookParser() = default;
    ~AddressbookParser() override = default;

protected:
    // Leaves the check to the generic reader, whose header magic is the store's own: a first
    // token that begins with "%PPKLITE-" is accepted and the number after it kept as the
    // header version; an empty input or any other header fails with a trace line.
    StatusCode ParseHeaderLine() override;
};
