#include "installer/AddressbookParser.h"

StatusCode AddressbookParser::ParseHeaderLine()
{
    return PDFParser::ParseHeaderLine(kHeaderMagic);
}
