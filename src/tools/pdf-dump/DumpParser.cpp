#include "tools/pdf-dump/DumpParser.h"

#include <string_view>

#include "pdf/io/IByteReaderWithPosition.h"

namespace {

constexpr std::string_view kPDFMagic = "%PDF-";

} // namespace

bool DumpParser::IsTrustStore() const
{
    return mHeaderMagic == AddressbookParser::kHeaderMagic;
}

StatusCode DumpParser::ParseHeaderLine()
{
    mHeaderMagic.clear();
    // A store passes exactly when the installer would take it. For an ordinary PDF file that
    // check leaves a trace line about the first line; pdf-dump keeps its log off.
    if (AddressbookParser::ParseHeaderLine() == Success) {
        mHeaderMagic = AddressbookParser::kHeaderMagic;
        return Success;
    }
    ParserStream()->SetPosition(0);
    if (PDFParser::ParseHeaderLine(kPDFMagic) != Success) {
        return Failure;
    }
    mHeaderMagic = kPDFMagic;
    return Success;
}
