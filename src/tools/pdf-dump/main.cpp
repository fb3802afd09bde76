// pdf-dump: prints a trust store's entries for an administrator, or (with --objects) every
// object of a PDF file or trust store in a canonical text form for comparison with other readers.

#include <cstdio>
#include <string>

#include "pdf/io/IByteReaderWithPosition.h"
#include "pdf/io/InputFile.h"
#include "pdf/objects/PDFDictionary.h"
#include "platform/Platform.h"
#include "tools/pdf-dump/DumpParser.h"
#include "tools/pdf-dump/ObjectDumper.h"
#include "tools/pdf-dump/TrustStoreSummary.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitUnreadable = 1;

int Usage()
{
    std::fputs("usage: pdf-dump FILE            summary of a trust store\n"
               "       pdf-dump --objects FILE  every object of a PDF file or trust store\n",
               stderr);
    return kExitUsage;
}

int Fail(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "pdf-dump: %s: %s\n", path.c_str(), reason.c_str());
    return kExitUnreadable;
}

void WriteOut(const std::string& text)
{
    (void)std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // Subjects are UTF-8; a Windows console shows them as such only in its UTF-8 code page.
    platform::PrepareConsole();
    bool objects = false;
    std::string path;
    if (argc == 2) {
        path = argv[1];
    } else if (argc == 3 && std::string(argv[1]) == "--objects") {
        objects = true;
        path = argv[2];
    } else {
        return Usage();
    }
    if (!path.empty() && path[0] == '-') {
        return Usage();
    }

    InputFile file;
    if (file.OpenFile(path) != Success) {
        return Fail(path, "cannot open the file");
    }
    DumpParser parser;
    // A trust store has no page tree, so the directory read ends in Failure after the table
    // and the trailer are loaded; what counts is that they were.
    (void)parser.ParseDocument(file.GetInputStream());
    if (parser.HeaderMagic().empty()) {
        return Fail(path, "not a PDF file or trust store (no %PDF- or %PPKLITE- header)");
    }
    if (parser.Trailer() == nullptr || parser.ObjectCount() == 0) {
        return Fail(path, "no readable cross-reference section or trailer");
    }

    if (objects) {
        ObjectDumper dumper(parser);
        WriteOut(dumper.DumpDocument());
    } else {
        std::string text;
        std::string error;
        if (SummarizeTrustStore(parser, path, text, error) != Success) {
            return Fail(path, error);
        }
        WriteOut(text);
    }
    (void)file.CloseFile(); // read only; nothing to lose
    return std::fflush(stdout) == 0 ? 0 : kExitUnreadable;
}
