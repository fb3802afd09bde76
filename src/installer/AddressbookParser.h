#pragma once

#include "pdf/io/StatusCode.h"
#include "pdf/parsing/PDFParser.h"

// The document reader for trust stores. A store is PDF object syntax whose first line reads
// "%PPKLITE-" instead of "%PDF-"; every store is read through this class so that the header
// check is the store's, whatever the generic reader accepts.
class AddressbookParser : public PDFParser
{
public:
    AddressbookParser() = default;
    ~AddressbookParser() override = default;

protected:
    // Accepts only a first token that begins with "%PPKLITE-" and keeps the number after it as
    // the header version; an empty input or any other header fails with a trace line.
    StatusCode ParseHeaderLine() override;
};
