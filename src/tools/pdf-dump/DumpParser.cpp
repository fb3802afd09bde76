#include "tools/pdf-dump/DumpParser.h"

#include <locale>
#include <sstream>

#include "pdf/io/TraceLog.h"
#include "pdf/parsing/PDFTokenizer.h"

namespace {

const std::string kPDFMagic = "%PDF-";
const std::string kStoreMagic = "%PPKLITE-";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

bool DumpParser::IsTrustStore() const
{
    return mHeaderMagic == kStoreMagic;
}

StatusCode DumpParser::ParseHeaderLine()
{
    mHeaderMagic.clear();
    mVersion = 0;
    PDFTokenizer tokenizer;
    tokenizer.AttachStream(ParserStream());
    PDFTokenizer::Token token = tokenizer.ReadToken();
    if (!token.first) {
        TRACE_LOG("DumpParser::ParseHeaderLine, no tokens in input, the file is empty");
        return Failure;
    }
    std::string magic;
    if (StartsWith(token.second, kPDFMagic)) {
        magic = kPDFMagic;
    } else if (StartsWith(token.second, kStoreMagic)) {
        magic = kStoreMagic;
    } else {
        TRACE_LOG("DumpParser::ParseHeaderLine, file begins neither with \"%%PDF-\" nor with "
                  "\"%%PPKLITE-\". file header = %s",
                  token.second.c_str());
        return Failure;
    }
    // The version is the leading number after the magic; none gives 0, as in the base check.
    std::istringstream versionText(token.second.substr(magic.size()));
    versionText.imbue(std::locale::classic());
    double version = 0;
    if (!(versionText >> version)) {
        version = 0;
    }
    mVersion = version;
    mHeaderMagic = magic;
    return Success;
}
