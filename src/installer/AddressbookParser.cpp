#include "installer/AddressbookParser.h"

StatusCode AddressbookParser::ParseHeaderLine()
{
    // The generic check already looks for the store's "%PPKLITE-" magic, with the messages
    // and results a store needs, and it is the only place that may record the header version.
    return PDFParser::ParseHeaderLine();
}
