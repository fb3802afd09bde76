#pragma once

#include <string_view>

#include "pdf/io/StatusCode.h"
#include "pdf/parsing/PDFParser.h"

// The document reader for trust stores. A store is PDF object syntax whose first line reads
// "%PPKLITE-" instead of "%PDF-"; every store is read through this class, the one place where
// a rule of the store's own about its header belongs. pdf-dump reads stores through it too.
class AddressbookParser : public PDFParser
{
public:
    // What the first line of every store begins with.
    static constexpr std::string_view kHeaderMagic = "%PPKLITE-";

    AddressbookParser() = default;
    ~AddressbookParser() override = default;

protected:
    // A first token that begins with kHeaderMagic is accepted and the number after it kept as
    // the header version; an empty input or any other header fails with a trace line.
    StatusCode ParseHeaderLine() override;
};
